#include "catalogue/known_dumps.h"

#include <gtest/gtest.h>

#include <random>

#include "support/temp_dir.h"

namespace vorne {
namespace known_dumps_test {
namespace {

TEST(KnownDumps, LookupRules) {
    struct Case {
        std::string_view list;
        std::string_view crc;
        std::string_view name;
    };
    const Case cases[] = {
        {"a1b2c3d4\t\tGame (U)\r\n", "a1b2c3d4", "Game (U)"},                    // both TABs skipped, CR left out
        {"a1b2c3d4 no tab here\n00000000\tOther\n", "a1b2c3d4", "Other"},        // the TAB may stand on a later line
        {"A1B2C3D4\tUpper\n", "a1b2c3d4", ""},                                    // case matters
        {"a1b2c3d4", "a1b2c3d4", ""},                                             // no TAB at all
        {"a1b2c3d4\t", "a1b2c3d4", ""},                                           // nothing after the TABs
        {"a1b2c3d4\tLast line without end", "a1b2c3d4", "Last line without end"},
        {"11111111\tOne\n22222222\tTwo\n", "22222222", "Two"},
        {"0a1b2c3d4e\tInside a longer run\n", "a1b2c3d4", "Inside a longer run"},  // found inside other digits
        {"a1b2c3d4\tFirst\na1b2c3d4\tSecond\n", "a1b2c3d4", "First"},
        {"; comment\r\nffffffff\tAll ones\r\n", "ffffffff", "All ones"},
        {"deadbeef\tName\0a1b2c3d4\tHidden\n", "a1b2c3d4", ""},  // the text ends at its first zero byte
    };
    for (const Case& c : cases) {
        KnownDumpList list{c.list};
        EXPECT_EQ(list.LookUpKnownName(c.crc), c.name) << c.list;
        EXPECT_EQ(LookUpInListText(c.list, c.crc), c.name) << c.list;
    }
}

TEST(KnownDumps, NamesAreCutAtOneHundredCharacters) {
    std::string name(150, 'x');
    KnownDumpList list("12345678\t" + name + "\r\n");
    EXPECT_EQ(list.LookUpKnownName("12345678"), std::string(100, 'x'));
}

// The index must give exactly what the plain search gives, for texts full of overlapping runs of
// hex digits, TABs and line ends, whether it takes the text whole or in pieces of any size.
TEST(KnownDumps, IndexAgreesWithPlainSearch) {
    std::mt19937 random(3);
    const std::string alphabet = "0123456789abcdef\t\r\nxyzA";
    for (int round = 0; round < 40; ++round) {
        std::string text;
        for (int i = 0; i < 3000; ++i) text += alphabet[random() % alphabet.size()];
        if (round % 4 == 3) text.insert(text.size() / 2, 300, 'n');  // names past 100 characters
        KnownDumpList list(text);
        KnownDumpList pieces;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t size = std::min<std::size_t>(random() % 20 + 1, text.size() - at);
            pieces.Add(std::string_view(text).substr(at, size));
            at += size;
        }
        pieces.Finish();
        for (int probe = 0; probe < 200; ++probe) {
            std::string crc;
            if (probe % 2 == 0 && text.size() > 8) {
                crc = text.substr(random() % (text.size() - 8), 8);  // often a real run
                if (!IsCrcText(crc)) continue;  // lookups are made with CRC texts only
            } else {
                for (int k = 0; k < 8; ++k) crc += "0123456789abcdef"[random() % 16];
            }
            ASSERT_EQ(list.LookUpKnownName(crc), LookUpInListText(text, crc)) << "round " << round << " crc " << crc;
            ASSERT_EQ(pieces.LookUpKnownName(crc), LookUpInListText(text, crc)) << "round " << round << " crc " << crc;
        }
    }
}

TEST(KnownDumps, MissingFileIsNoList) {
    test::TempDir dir;
    EXPECT_EQ(KnownDumpList::Load(dir / "nescrcs.txt"), nullptr);
    std::string text = "0badf00d\tFound (U)\n";
    dir.Write("nescrcs.txt", std::vector<std::uint8_t>(text.begin(), text.end()));
    auto list = KnownDumpList::Load(dir / "nescrcs.txt");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->LookUpKnownName("0badf00d"), "Found (U)");
}

}  // namespace
}  // namespace known_dumps_test
}  // namespace vorne
