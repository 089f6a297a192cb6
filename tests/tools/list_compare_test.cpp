#include "tools/list_compare.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_error.h"
#include "support/temp_dir.h"

namespace vorne {
namespace list_compare_test {
namespace {

using Lines = std::vector<std::string>;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(ListCompare, SplitsLinesAtLineFeedsOnly) {
    const std::string full(kMaxListEntry, 'a');
    struct Case {
        const char* what;
        std::string file;
        Lines want;
    };
    const Case cases[] = {
        {"an empty file", "", {}},
        {"one line", "abc\n", {"abc"}},
        {"a last line without its line end", "abc\ndef", {"abc", "def"}},
        {"a carriage return stays", "a\r\nb\r\n", {"a\r", "b\r"}},
        {"empty lines are entries", "\n\nx\n", {"", "", "x"}},
        {"a lone carriage return does not end a line", "a\rb\n", {"a\rb"}},
        {"1023 characters make one entry", full + "\n" + "z\n", {full, "z"}},
        {"a longer line goes on in a second entry", full + "bc\nz", {full, "bc", "z"}},
        {"exactly twice 1023 characters", full + full + "\n", {full, full}},
        {"1023 characters without a line end", full, {full}},
        {"zero bytes are kept", std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitListLines(Bytes(c.file)), c.want) << c.what;
}

TEST(ListCompare, KeysLeaveOutTheSecondField) {
    struct Case {
        std::string line;
        std::string key;
    };
    const Case cases[] = {
        {"a\tb\tc\td", "a\tc\td"},
        {"a\tb\t", "a\t"},
        {"\t\t", "\t"},
        {"a\t\tc", "a\tc"},
        {"no tabs", "no tabs"},
        {"one\ttab", "one\ttab"},
        {"crc    \tname.nes   \t40976\tx\r", "crc    \t40976\tx\r"},
    };
    for (const Case& c : cases) EXPECT_EQ(ComparisonKey(c.line), c.key) << c.line;
}

TEST(ListCompare, SortsWithoutRegardToCaseKeepingTiesInOrder) {
    Lines lines{"b", "B2", "a", "_x", "A", "Zeta", "[", "c"};
    SortListEntries(lines);
    // Lower case decides: '[' (0x5B) and '_' (0x5F) come before the letters, as in the C
    // library's case-blind comparison.
    EXPECT_EQ(lines, (Lines{"[", "_x", "a", "A", "b", "B2", "c", "Zeta"}));
}

TEST(ListCompare, UnmatchedTestLines) {
    struct Case {
        const char* what;
        Lines original;
        Lines test;
        Lines unmatched;
    };
    const Case cases[] = {
        {"file names do not matter", {"crc1\ta.nes\t1\r"}, {"crc1\tother.nes\t1\r"}, {}},
        {"case does not matter", {"crc1\ta.nes\tGame"}, {"CRC1\tb.nes\tGAME"}, {}},
        {"other fields do", {"crc1\ta.nes\t1"}, {"crc1\ta.nes\t2", "crc1\tb.nes\t1"}, {"crc1\ta.nes\t2"}},
        {"padding differs", {"crc1 \ta\t1"}, {"crc1  \ta\t1"}, {"crc1  \ta\t1"}},
        {"CR LF against LF alone", {"x\ta\ty\r", "z\ta\tw\r"}, {"x\ta\ty", "z\ta\tw"}, {"x\ta\ty", "z\ta\tw"}},
        {"unmatched lines in sorted order, whole", {"k\t1\tk"}, {"b\tf\tb", "A\tf\tA", "k\t2\tk"}, {"A\tf\tA", "b\tf\tb"}},
        {"duplicates are kept", {"o\tx\to"}, {"t\tx\tt", "t\ty\tt"}, {"t\tx\tt", "t\ty\tt"}},
        {"an empty entry matches an empty entry", {""}, {"", "q"}, {"q"}},
    };
    for (const Case& c : cases) {
        ListComparison comparison;
        comparison.SetOriginal(c.original);
        comparison.SetTest(c.test);
        ASSERT_TRUE(comparison.CanCompare()) << c.what;
        comparison.Compare();
        EXPECT_EQ(comparison.unmatched, c.unmatched) << c.what;
    }
}

TEST(ListCompare, OriginalHoldsKeysTestWholeLines) {
    ListComparison comparison;
    comparison.SetOriginal({"b\tname\tc", "a\tname\tz"});
    comparison.SetTest({"b\tname\tc", "a\tname\tz"});
    EXPECT_EQ(comparison.original, (Lines{"a\tz", "b\tc"}));
    EXPECT_EQ(comparison.test, (Lines{"a\tname\tz", "b\tname\tc"}));
    // Loading again replaces the list.
    comparison.SetTest({"x"});
    EXPECT_EQ(comparison.test, (Lines{"x"}));

    ListComparison empty;
    EXPECT_FALSE(empty.CanCompare());
    empty.SetOriginal({"a"});
    EXPECT_FALSE(empty.CanCompare());
}

TEST(ListCompare, ResultFileAndLabels) {
    EXPECT_EQ(UnmatchedFileText(Lines{"a\r", "b", ""}), "a\r\r\nb\r\n\r\n");
    EXPECT_EQ(UnmatchedFileText(Lines{}), "");
    EXPECT_EQ(RomsLabel(0), "0 ROMs");
    EXPECT_EQ(RomsLabel(1), "1 ROMs");
    EXPECT_EQ(UnmatchedLabel(12), "12 Unmatched");

    test::TempDir dir;
    SaveUnmatched(dir / "out.txt", Lines{"x\ty\r", "z"});
    EXPECT_EQ(test::ReadFile(dir / "out.txt"), Bytes("x\ty\r\r\nz\r\n"));
    EXPECT_THROW(SaveUnmatched(dir / "none/out.txt", Lines{"x"}), FileError);

    dir.Write("list.txt", Bytes("one\r\ntwo"));
    EXPECT_EQ(ReadListFile(dir / "list.txt"), (Lines{"one\r", "two"}));
    EXPECT_THROW(ReadListFile(dir / "missing.txt"), FileError);
}

}  // namespace
}  // namespace list_compare_test
}  // namespace vorne
