// The core's case folding and UTF-8 decoding, which the filter box uses, held against Qt's: the
// list shows cells through Qt, and the filter must find what it shows.
#include "base/case_fold.h"

#include <gtest/gtest.h>

#include <QChar>
#include <QStringDecoder>

namespace vorne::ui::test {
namespace case_fold_test {
namespace {

TEST(CaseFold, FoldsEveryCharacterAsQtDoes) {
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;  // surrogates are no characters
        ASSERT_EQ(FoldCase(c), QChar::toCaseFolded(c)) << std::hex << static_cast<std::uint32_t>(c);
        // The filter looks beyond ASCII for an ASCII text only for these two letters.
        if (c >= 0x80 && FoldCase(c) < 0x80) {
            EXPECT_TRUE(FoldCase(c) == U'k' || FoldCase(c) == U's') << std::hex << static_cast<std::uint32_t>(c);
        }
    }
}

TEST(CaseFold, DecodesUtf8WhereQtDoes) {
    const std::string texts[] = {
        "plain", "\xc3\xa9t\xc3\xa9", "\xf0\x9f\x8e\xae game", "\xe2\x84\xaa",
        "\xc0\x80",          // an overlong NUL
        "\xe0\x80\xaf",      // an overlong slash
        "\xed\xa0\x80",      // a surrogate
        "\xf4\x90\x80\x80",  // beyond U+10FFFF
        "\xe2\x82",          // cut short
        "\xff\xfe.nes", "a\x80", "\xc3",
    };
    for (const std::string& text : texts) {
        QStringDecoder qt(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = qt.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
        std::u32string ours = U"x";
        EXPECT_EQ(DecodeUtf8(text, ours), !qt.hasError()) << text;
        if (!qt.hasError()) {
            EXPECT_EQ(ours.substr(1), decoded.toStdU32String()) << text;
        } else {
            EXPECT_EQ(ours, U"x") << text;  // left as it was
        }
    }
}

}  // namespace
}  // namespace case_fold_test
}  // namespace vorne::ui::test
