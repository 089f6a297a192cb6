#include "tools/list_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <string>
#include <vector>

#include "base/rom_type.h"
#include "catalogue/catalog_model.h"
#include "platform/file_error.h"
#include "support/temp_dir.h"

namespace vorne {
namespace list_file_test {
namespace {

std::string Text(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(ListFileLine, PadsCutsAndSeparatesFields) {
    struct Case {
        const char* what;
        std::vector<std::string> cells;
        std::vector<int> widths;
        std::string want;
    };
    const Case cases[] = {
        {"padded to width / 5", {"ab", "c", "last"}, {20, 14, 99}, "ab  \tc \tlast\r\n"},
        {"cut to width / 5", {"abcdefgh", "xyz", "z"}, {15, 10, 5}, "abc\txy\tz\r\n"},
        {"the last column neither padded nor cut", {"a", "a long last column"}, {10, 5}, "a \ta long last column\r\n"},
        {"below 5 pixels: an empty field and its tab", {"abc", "def", "g"}, {4, 0, 10}, "\t\tg\r\n"},
        {"line feeds taken out of every cell", {"a\nb", "c\n", "\nd\ne"}, {15, 10, 10}, "ab \tc \tde\r\n"},
        {"a carriage return stays", {"a\rb", "z\r"}, {15, 10}, "a\rb\tz\r\r\n"},
        {"a line feed does not use up the width", {"\n\n\nabc", "x"}, {15, 10}, "abc\tx\r\n"},
        {"a tab in a cell stays", {"a\tb", "c"}, {20, 10}, "a\tb \tc\r\n"},
        {"columns past the widths count as 0", {"abc", "def", "ghi"}, {10}, "ab\t\tghi\r\n"},
        {"a negative width counts as 0", {"abc", "d"}, {-10}, "\td\r\n"},
        {"one column", {"only"}, {5}, "only\r\n"},
        // An ID3v2 text is UTF-8: cut and padded by characters, never inside one.
        {"UTF-8 cut by characters", {"Gr\xC3\xBC\xC3\x9F" "e", "x"}, {20, 5}, "Gr\xC3\xBC\xC3\x9F\tx\r\n"},
        {"UTF-8 padded by characters", {"\xE6\x97\xA5", "x"}, {15, 5}, "\xE6\x97\xA5  \tx\r\n"},
        {"ISO-8859-1 bytes as before", {"Gr\xFC\xDF" "e", "x"}, {15, 5}, "Gr\xFC\tx\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(ListFileLine(c.cells, c.widths), c.want) << c.what;
}

CatalogModel NesModel(const std::vector<std::vector<std::string>>& rows) {
    CatalogModel model;
    model.Reset(Kind(RomType::Nes).columns);
    for (const auto& cells : rows) model.InsertRow(model.RowCount(), CatalogRow{.cells = cells});
    return model;
}

std::vector<int> DefaultWidths(RomType type) {
    std::vector<int> widths;
    for (const ColumnInfo& column : Kind(type).columns) widths.push_back(column.width);
    return widths;
}

TEST(ListFile, NesRowsWithTheDefaultWidths) {
    CatalogModel model = NesModel({
        {"0123abcd", "sub/game.nes", "40976", "4", "128k", "8k", "Vertical", "No", "Yes", "No", "", "DiskDude!",
         "Game (U)"},
        {"ffff0000", "b.nes", "16400"},  // a row with fewer cells than columns
    });
    // N: 13, 30, 12, 10, 13, 13, 13, 9, 10, 8, 70, 14; column 12 as it is.
    const std::string first = "0123abcd     \t" + std::string("sub/game.nes") + std::string(18, ' ') + "\t40976       \t" +
                              "4         \t128k         \t8k           \tVertical     \tNo       \tYes       \tNo      \t" +
                              std::string(70, ' ') + "\tDiskDude!     \tGame (U)\r\n";
    const std::string second = "ffff0000     \tb.nes" + std::string(25, ' ') + "\t16400       \t" + std::string(10, ' ') +
                               "\t" + std::string(13, ' ') + "\t" + std::string(13, ' ') + "\t" + std::string(13, ' ') +
                               "\t" + std::string(9, ' ') + "\t" + std::string(10, ' ') + "\t" + std::string(8, ' ') +
                               "\t" + std::string(70, ' ') + "\t" + std::string(14, ' ') + "\t\r\n";
    EXPECT_EQ(ListFileText(model, DefaultWidths(RomType::Nes)), first + second);

    test::TempDir dir;
    SaveListFile(dir / "list.txt", model, DefaultWidths(RomType::Nes));
    EXPECT_EQ(Text(test::ReadFile(dir / "list.txt")), first + second);

    // Every line has k - 1 tabs.
    for (const std::string& line : {first, second}) EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 12);
}

TEST(ListFile, SavesWholeOrReportsTheFailure) {
    test::TempDir dir;
    CatalogModel model = NesModel({{"0123abcd", "a.nes", "16400"}});
    const auto widths = DefaultWidths(RomType::Nes);

    // An empty list gives an empty file, replacing what the file held; the file keeps its mode.
    std::string path = dir.Write("list.txt", {'o', 'l', 'd'});
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    SaveListFile(path, NesModel({}), widths);
    EXPECT_TRUE(test::ReadFile(path).empty());
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // A folder that is not there: the failure is thrown, nothing is left behind.
    EXPECT_THROW(SaveListFile(dir / "missing/list.txt", model, widths), FileError);

    // A write that fails part-way leaves the old list whole and no temporary file.
    std::string big = dir.Write("big.txt", std::vector<std::uint8_t>(10, 'x'));
    CatalogModel many = NesModel(std::vector<std::vector<std::string>>(200, {"0123abcd", "a.nes", "16400"}));
    {
        test::FileSizeLimit limit(4096);
        EXPECT_THROW(SaveListFile(big, many, widths), FileError);
    }
    EXPECT_EQ(test::ReadFile(big), std::vector<std::uint8_t>(10, 'x'));
    EXPECT_EQ(test::ListFolder(dir.Path()), (std::vector<std::string>{"big.txt", "list.txt"}));
}

}  // namespace
}  // namespace list_file_test
}  // namespace vorne
