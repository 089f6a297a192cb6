// Header fields in edit boxes: a box left alone gives back the bytes it was filled with.
#include "ui/field_text.h"

#include <gtest/gtest.h>

#include <QLineEdit>

namespace vorne::ui::test {
namespace field_text_test {
namespace {

TEST(FieldText, ABoxLeftAloneGivesBackItsBytes) {
    const struct {
        const char* name;
        std::string bytes;
        QString shown;
    } cases[] = {
        {"ASCII", "SUPER GAME", QStringLiteral("SUPER GAME")},
        {"Latin-1, as old tags hold it", "Bj\xF6rk", QStringLiteral("Bj\u00F6rk")},
        {"UTF-8", "Bj\xC3\xB6rk", QStringLiteral("Bj\u00F6rk")},
        {"Shift-JIS, not UTF-8", "\x83\x5A\x83\x4F\x83\x41", QString::fromLatin1("\x83\x5A\x83\x4F\x83\x41")},
        {"control bytes of a header full of garbage", std::string("\x08\x01\x7F" "A\x1B", 5),
         QString::fromLatin1("\x08\x01\x7F" "A\x1B")},
        {"the first half of a UTF-8 character", "\xC3", QStringLiteral("\u00C3")},
        {"empty", "", QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QLineEdit box;
        SetFieldBox(&box, c.bytes);
        EXPECT_EQ(box.text(), c.shown);
        EXPECT_EQ(FieldBoxBytes(&box), c.bytes);
    }
}

TEST(FieldText, TypedTextIsStoredAsTheListWillShowIt) {
    const struct {
        const char* name;
        std::string filledWith;
        QString typed;
        std::string stored;
    } cases[] = {
        {"Latin-1 letters in an ASCII field", "", QStringLiteral("Caf\u00E9"), "Caf\xE9"},
        {"Latin-1 letters in a Latin-1 field", "\xE9t\xE9", QStringLiteral("\u00E0"), "\xE0"},
        {"letters Latin-1 lacks", "", QStringLiteral("\u65E5\u672C"), "\xE6\x97\xA5\xE6\x9C\xAC"},
        {"a UTF-8 field stays UTF-8", "\xC3\xA9t\xC3\xA9", QStringLiteral("\u00E0"), "\xC3\xA0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QLineEdit box;
        SetFieldBox(&box, c.filledWith);
        box.setText(c.typed);
        EXPECT_EQ(FieldBoxBytes(&box), c.stored);
    }
}

}  // namespace
}  // namespace field_text_test
}  // namespace vorne::ui::test
