#include "catalogue/catalog_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace vorne {
namespace catalog_model_test {
namespace {

// A model of one-column rows whose files remember where each row started.
CatalogModel ModelOf(const std::vector<std::string>& keys, int columns = 1) {
    CatalogModel model;
    model.Reset(std::vector<ColumnInfo>(static_cast<std::size_t>(columns), ColumnInfo{"", 10, Align::Left}));
    for (std::size_t i = 0; i < keys.size(); ++i) {
        CatalogRow row;
        row.cells.assign(static_cast<std::size_t>(columns), keys[i]);
        row.file.path = std::to_string(i);
        model.InsertRow(static_cast<int>(i), row);
    }
    return model;
}

// Where row `r` started, as its file tells.
std::uintptr_t Origin(const CatalogModel& model, int r) { return std::stoul(model.Row(r).file.path); }

std::vector<std::string> Keys(const CatalogModel& model) {
    std::vector<std::string> keys;
    for (int r = 0; r < model.RowCount(); ++r) keys.emplace_back(model.Cell(r, 0));
    return keys;
}

// Group members as the origins of their rows: what the groups mean, whatever the positions.
std::vector<std::vector<std::uintptr_t>> GroupsByItem(const CatalogModel& model) {
    std::vector<std::vector<std::uintptr_t>> groups;
    for (const auto& group : model.DuplicateGroups()) {
        std::vector<std::uintptr_t> items;
        for (int row : group) items.push_back(Origin(model, row));
        std::sort(items.begin(), items.end());
        groups.push_back(items);
    }
    std::sort(groups.begin(), groups.end());
    return groups;
}

TEST(CatalogModel, SortsBytewiseInBothDirections) {
    CatalogModel model = ModelOf({"262144", "1048576", "b", "B", "a", "10", "9", ""});
    model.SortByColumn(0);
    EXPECT_EQ(Keys(model), (std::vector<std::string>{"", "10", "1048576", "262144", "9", "B", "a", "b"}));
    model.HeaderClicked(0);  // the same column again: descending
    EXPECT_FALSE(model.SortAscending());
    EXPECT_EQ(Keys(model), (std::vector<std::string>{"b", "a", "B", "9", "262144", "1048576", "10", ""}));
    model.HeaderClicked(0);
    EXPECT_TRUE(model.SortAscending());
    EXPECT_EQ(Keys(model).front(), "");
}

TEST(CatalogModel, SortOutsideTheColumnsOrOfFewRowsChangesNothing) {
    CatalogModel model = ModelOf({"b", "a"});
    model.SortByColumn(1);
    model.SortByColumn(-1);
    EXPECT_EQ(Keys(model), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(model.SortColumn(), -1);
    CatalogModel one = ModelOf({"x"});
    one.SortByColumn(0);
    EXPECT_EQ(Keys(one), (std::vector<std::string>{"x"}));
}

// Random lists, many equal keys: the result is sorted, nothing is lost, and every row keeps its
// serial and its group.
TEST(CatalogModel, SortKeepsRowsSerialsAndGroupsTogether) {
    std::mt19937 random(11);
    for (int round = 0; round < 50; ++round) {
        std::vector<std::string> keys;
        int n = 1 + static_cast<int>(random() % 300);
        for (int i = 0; i < n; ++i) keys.push_back(std::to_string(random() % 20));
        CatalogModel model = ModelOf(keys);
        for (int r = 0; r + 5 < n; r += 7) model.AddDuplicate(r + 5, r);
        auto groupsBefore = GroupsByItem(model);
        model.SortByColumn(0);
        auto sorted = Keys(model);
        ASSERT_TRUE(std::is_sorted(sorted.begin(), sorted.end()));
        std::sort(keys.begin(), keys.end());
        ASSERT_EQ(sorted, keys);
        for (int r = 0; r < n; ++r) {
            std::uintptr_t original = Origin(model, r);
            ASSERT_EQ(model.Row(r).serial, original + 1);  // serials count the insertions
        }
        ASSERT_EQ(GroupsByItem(model), groupsBefore);
        for (int r = 0; r < n; ++r) {
            bool member = false;
            for (const auto& group : model.DuplicateGroups()) member |= std::count(group.begin(), group.end(), r) > 0;
            ASSERT_EQ(model.IsDuplicate(r), member);
        }
    }
}

// A partition step never exchanges two rows whose texts are equal, in either direction; such rows
// may still change their order by trading places with other rows. The orders below are what the
// partition rule gives (rows named by where they started).
TEST(CatalogModel, SortRangeNeverExchangesEqualTexts) {
    struct Case {
        std::vector<std::string> keys;
        bool ascending;
        int low;
        int high;
        std::vector<std::uintptr_t> order;
    };
    const std::vector<std::string> mixed{"b", "a", "b", "c", "b", "a", "b"};
    const std::vector<std::string> pairs{"b", "b", "a", "c", "a", "a", "c", "b"};
    const Case cases[] = {
        {std::vector<std::string>(6, "k"), true, 0, -1, {0, 1, 2, 3, 4, 5}},
        {std::vector<std::string>(6, "k"), false, 0, -1, {0, 1, 2, 3, 4, 5}},
        {mixed, true, 0, -1, {5, 1, 2, 6, 4, 0, 3}},
        {mixed, false, 0, -1, {3, 6, 2, 0, 4, 5, 1}},
        {pairs, true, 0, -1, {5, 4, 2, 7, 1, 0, 6, 3}},
        {pairs, false, 0, -1, {6, 3, 7, 1, 0, 5, 4, 2}},
        // A part of the list: the rows outside it stay where they are.
        {{"z", "b", "b", "b", "b", "a"}, true, 1, 4, {0, 1, 2, 3, 4, 5}},
        {{"z", "b", "b", "b", "b", "a"}, false, 1, 4, {0, 1, 2, 3, 4, 5}},
        {{"c", "a", "a", "b", "a", "a", "d"}, true, 1, 5, {0, 1, 2, 5, 4, 3, 6}},
        {{"c", "a", "a", "b", "a", "a", "d"}, false, 1, 5, {0, 3, 2, 1, 4, 5, 6}},
    };
    for (const Case& c : cases) {
        CatalogModel model = ModelOf(c.keys);
        model.SortRange(0, c.ascending, c.low, c.high);
        std::vector<std::uintptr_t> order;
        for (int r = 0; r < model.RowCount(); ++r) order.push_back(Origin(model, r));
        EXPECT_EQ(order, c.order) << (c.ascending ? "ascending " : "descending ") << c.low << ".." << c.high;
    }
    // The header's sorts in both directions leave a list of equal texts as it is.
    CatalogModel equal = ModelOf(std::vector<std::string>(9, "same"));
    for (int click = 0; click < 2; ++click) {
        equal.HeaderClicked(0);
        for (int r = 0; r < equal.RowCount(); ++r) EXPECT_EQ(Origin(equal, r), static_cast<std::uintptr_t>(r));
    }
    EXPECT_FALSE(equal.SortAscending());
}

TEST(CatalogModel, SortOfManyRowsDoesNotRecurseDeeply) {
    std::vector<std::string> keys;
    for (int i = 0; i < 200000; ++i) keys.push_back(std::to_string((i * 7919) % 200000));
    CatalogModel model = ModelOf(keys);
    model.SortByColumn(0);
    auto sorted = Keys(model);
    EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end()));
}

TEST(CatalogModel, DuplicateGroups) {
    CatalogModel model = ModelOf(std::vector<std::string>(12, "k"));
    EXPECT_TRUE(model.AddDuplicate(5, 2));
    EXPECT_TRUE(model.AddDuplicate(7, 5));
    EXPECT_FALSE(model.AddDuplicate(5, 9));
    ASSERT_EQ(model.DuplicateGroups().size(), 1u);
    EXPECT_EQ(model.DuplicateGroups()[0], (DuplicateGroup{2, 5, 7}));
    EXPECT_TRUE(model.IsDuplicate(2));
    EXPECT_FALSE(model.IsDuplicate(3));

    EXPECT_TRUE(model.AddDuplicate(10, 9));
    EXPECT_TRUE(model.RemoveDuplicate(10));  // the group of two goes, and 9 is no duplicate either
    EXPECT_FALSE(model.IsDuplicate(9));
    EXPECT_FALSE(model.RemoveDuplicate(10));
    EXPECT_EQ(model.DuplicateGroups().size(), 1u);

    model.ShiftDuplicatesAfterDelete(3);
    EXPECT_EQ(model.DuplicateGroups()[0], (DuplicateGroup{2, 4, 6}));
    EXPECT_TRUE(model.IsDuplicate(6));
    EXPECT_FALSE(model.IsDuplicate(7));
    model.ClearDuplicates();
    EXPECT_FALSE(model.IsDuplicate(2));
    EXPECT_TRUE(model.DuplicateGroups().empty());
}

TEST(CatalogModel, DeletingARowKeepsTheOtherMarks) {
    CatalogModel model = ModelOf({"a", "b", "c", "d", "e"});
    model.AddDuplicate(1, 0);
    model.AddDuplicate(4, 3);
    // The order the main window follows: delete the row, drop its mark, shift the rest.
    model.DeleteRow(0);
    EXPECT_TRUE(model.RemoveDuplicate(0));
    model.ShiftDuplicatesAfterDelete(0);
    EXPECT_EQ(Keys(model), (std::vector<std::string>{"b", "c", "d", "e"}));
    EXPECT_FALSE(model.IsDuplicate(0));
    EXPECT_TRUE(model.IsDuplicate(2));
    EXPECT_TRUE(model.IsDuplicate(3));
    EXPECT_EQ(model.DuplicateGroups()[0], (DuplicateGroup{2, 3}));
}

// The scan for the new place stops at the first other row whose text is greater than or equal to
// the moved one (ascending), or less than or equal to it (descending): among equal texts the moved
// row goes first, in either direction.
TEST(CatalogModel, RepositionRow) {
    struct Case {
        bool ascending;
        std::vector<std::string> keys;  // sorted in that direction, then row `row` gets `text`
        int row;
        std::string text;
        int expected;
    };
    const Case cases[] = {
        {true, {"a", "c", "e", "g"}, 0, "z", 3},  // after every other row: the end
        {true, {"a", "c", "e", "g"}, 3, "b", 1},
        {true, {"a", "c", "e", "g"}, 1, "f", 2},
        {true, {"a", "c", "e", "g"}, 2, "c", 1},  // before its equal
        {true, {"a", "c", "e", "g"}, 1, "c", 1},
        {true, {"only"}, 0, "x", 0},
        {false, {"g", "e", "c", "a"}, 0, "c", 1},  // before its equal, which moves up
        {false, {"g", "e", "c", "a"}, 3, "e", 1},
        {false, {"g", "e", "c", "a"}, 2, "e", 1},
        {false, {"g", "e", "c", "a"}, 1, "e", 1},  // unchanged text: stays
        {false, {"g", "e", "c", "a"}, 0, "a", 2},
        {false, {"g", "e", "c", "a"}, 0, "0", 3},  // below every other row: the end
        {false, {"g", "e", "c", "a"}, 3, "z", 0},
        {false, {"e", "e", "e"}, 2, "e", 0},       // among equal texts only: the top
        {false, {"e", "e", "e"}, 0, "e", 0},
        {true, {"e", "e", "e"}, 2, "e", 0},
    };
    for (const Case& c : cases) {
        CatalogModel model = ModelOf(c.keys);
        model.HeaderClicked(0);  // the first click sorts ascending, the second descending
        if (!c.ascending) model.HeaderClicked(0);
        ASSERT_EQ(model.SortAscending(), c.ascending);
        ASSERT_EQ(Keys(model), c.keys);
        model.SetCell(c.row, 0, c.text);
        int target = model.RepositionRow(c.row);
        EXPECT_EQ(target, c.expected) << c.row << " -> " << c.text;
        EXPECT_EQ(model.Cell(target, 0), c.text);
        EXPECT_EQ(Origin(model, target), static_cast<std::uintptr_t>(c.row)) << c.row << " -> " << c.text;
    }
    CatalogModel model = ModelOf({"a"});
    EXPECT_EQ(model.RepositionRow(1), -1);
}

TEST(CatalogModel, RepositionRowRenumbersGroups) {
    CatalogModel model = ModelOf({"a", "b", "c", "d", "e"});
    model.SortByColumn(0);
    model.AddDuplicate(1, 0);  // rows "a" and "b"
    model.AddDuplicate(4, 3);  // rows "d" and "e"
    auto before = GroupsByItem(model);
    model.SetCell(0, 0, "dd");
    EXPECT_EQ(model.RepositionRow(0), 3);
    EXPECT_EQ(Keys(model), (std::vector<std::string>{"b", "c", "d", "dd", "e"}));
    EXPECT_EQ(GroupsByItem(model), before);
    EXPECT_TRUE(model.IsDuplicate(3));  // "dd", which was "a"
    EXPECT_FALSE(model.IsDuplicate(1));
}

}  // namespace
}  // namespace catalog_model_test
}  // namespace vorne
