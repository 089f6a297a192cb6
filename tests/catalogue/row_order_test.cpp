#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "catalogue/catalog_model.h"
#include "catalogue/cell_order.h"
#include "catalogue/row_filter.h"

namespace vorne {
namespace row_order_test {
namespace {

TEST(CompareCells, NumbersByValueTextsByteWise) {
    struct Case {
        std::string_view a, b;
        SortAs how;
        int order;
    };
    const Case cases[] = {
        {"9", "10", SortAs::Number, -1},
        {"9", "10", SortAs::Text, 1},
        {"512k", "1024k", SortAs::Number, -1},
        {"8 Kbit", "64 Kbit", SortAs::Number, -1},
        {"007", "7", SortAs::Number, -1},  // equal values stay apart, in a fixed order
        {"7", "007", SortAs::Number, 1},
        {"12345678901234567890123", "99", SortAs::Number, 1},  // past any integer: no overflow
        {"", "0", SortAs::Number, -1},  // no number before every number
        {"<5>k", "1k", SortAs::Number, -1},
        {"?", "", SortAs::Number, 1},
        {"40976", "40976", SortAs::Number, 0},
        {"B", "a", SortAs::Text, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(CompareCells(c.a, c.b, c.how), c.order) << c.a << " " << c.b;
}

TEST(CatalogModel, SortsEachColumnInItsOwnOrder) {
    constexpr std::array columns{ColumnInfo{"Name", 10, Align::Left}, ColumnInfo{"Size", 10, Align::Right, SortAs::Number}};
    CatalogModel model;
    model.Reset(columns);
    const std::vector<std::string> sizes{"1048576", "9", "262144", "", "10"};
    for (std::size_t i = 0; i < sizes.size(); ++i) model.InsertRow(static_cast<int>(i), CatalogRow{{sizes[i], sizes[i]}, {}});
    auto column = [&](int c) {
        std::vector<std::string> texts;
        for (int r = 0; r < model.RowCount(); ++r) texts.emplace_back(model.Cell(r, c));
        return texts;
    };
    model.SortBy(1, true);
    EXPECT_EQ(column(1), (std::vector<std::string>{"", "9", "10", "262144", "1048576"}));
    model.SortBy(0, false);
    EXPECT_EQ(column(0), (std::vector<std::string>{"9", "262144", "1048576", "10", ""}));
    // An edited row finds its place in the column's own order.
    model.SortBy(1, true);
    model.SetCell(0, 1, "100");
    EXPECT_EQ(model.RepositionRow(0), 2);
    EXPECT_EQ(column(1), (std::vector<std::string>{"9", "10", "100", "262144", "1048576"}));
}

TEST(RowFilter, KeepsRowsWithACellThatHoldsTheText) {
    CatalogModel model;
    model.Reset(std::vector<ColumnInfo>(2, ColumnInfo{"", 10, Align::Left}));
    const std::vector<std::vector<std::string>> rows{
        {"Zelda", "zelda.nes"},
        {"MARIO", "smb.nes"},
        {"Metroid", "metroid.nes"},
        {"\xc3\x89t\xc3\xa9", "\xff\xfe.nes"},        // "Été" in UTF-8; a name that is no UTF-8
        {"\xc9" "COLE", "ecole.nes"},                    // "ÉCOLE" in Latin-1
        {"\xe2\x84\xaa" "ELVIN", "ctl\x01.nes"},        // the Kelvin sign; a control byte
        {"\xce\xa3\xce\xbf\xcf\x86\xce\xaf\xce\xb1", "x.mp3"},  // "Σοφία"
    };
    for (std::size_t i = 0; i < rows.size(); ++i) model.InsertRow(static_cast<int>(i), CatalogRow{rows[i], {}});
    struct Case {
        std::string_view text;
        std::vector<int> rows;
    };
    const Case cases[] = {
        {"", {0, 1, 2, 3, 4, 5, 6}},
        {"mario", {1}},
        {"ZELDA.NES", {0}},
        {"o", {1, 2, 4}},              // upper and lower case alike
        {"\xc3\xa9", {3, 4}},          // "é" finds "É" in UTF-8 and in Latin-1
        {"\xc3\x89" "cole", {4}},      // and "É" finds "é"
        {"\xc3\xbf", {3}},             // "ÿ" is how the list shows the byte 0xFF of a name that is no UTF-8
        {"kelvin", {5}},
        {"l.", {5}},                    // a control byte shows as a dot
        {"\xcf\x82", {6}},             // the final sigma finds the capital one
        {"nes ", {}},
        {"metroid.nes and more", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(MatchingRows(model, RowFilter(c.text)), c.rows) << c.text;
    EXPECT_TRUE(RowFilter("mar").Narrows(RowFilter("ar")));
    EXPECT_FALSE(RowFilter("ar").Narrows(RowFilter("mar")));
    EXPECT_EQ(MatchingRows(model, RowFilter("o"), {0, 2}), (std::vector<int>{2}));
}

}  // namespace
}  // namespace row_order_test
}  // namespace vorne
