#include "catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vorne {
namespace catalogue_test {
namespace {

// Writes down every notice, so that the order of "about to" and "done" can be checked.
class Recorder final : public CatalogueObserver {
public:
    void RowsAboutToBeReset() override { log.push_back("about-reset"); }
    void RowsReset() override { log.push_back("reset"); }
    void RowsAboutToBeInserted(int first, int count) override { log.push_back("about-insert " + Span(first, count)); }
    void RowsInserted(int first, int count) override { log.push_back("insert " + Span(first, count)); }
    void RowsAboutToBeRemoved(int row) override { log.push_back("about-remove " + std::to_string(row)); }
    void RowRemoved(int row) override { log.push_back("remove " + std::to_string(row)); }
    void RowsAboutToBeReordered() override { log.push_back("about-reorder"); }
    void RowsReordered() override { log.push_back("reorder"); }

    std::vector<std::string> log;

private:
    static std::string Span(int first, int count) { return std::to_string(first) + "+" + std::to_string(count); }
};

CatalogRow Row(const std::string& key, const std::string& name) {
    return CatalogRow{{key, name, "32768", "32k", "None", "0", "01", "No", "Japan", "ROM ONLY"}};
}

// A finished Game Boy scan of these keys (file names f0, f1, ...).
void Fill(Catalogue& catalogue, const std::vector<std::string>& keys) {
    catalogue.ChooseKind(RomType::Gameboy);
    catalogue.Apply(ScanStarted{});
    RowsFound found;
    for (std::size_t i = 0; i < keys.size(); ++i) found.rows.push_back(Row(keys[i], "f" + std::to_string(i)));
    catalogue.Apply(std::move(found));
    catalogue.Apply(WalkDone{std::chrono::steady_clock::now()});
}

// The duplicate groups by file name, each sorted.
std::vector<std::vector<std::string>> GroupNames(const Catalogue& catalogue) {
    std::vector<std::vector<std::string>> groups;
    for (const DuplicateGroup& group : catalogue.Model().DuplicateGroups()) {
        std::vector<std::string> names;
        for (int member : group) names.emplace_back(catalogue.Model().Cell(member, kFilenameColumn));
        std::sort(names.begin(), names.end());
        groups.push_back(names);
    }
    return groups;
}

TEST(Catalogue, ViewsHearOfEachChangeBeforeAndAfterIt) {
    Catalogue catalogue;
    Recorder recorder;
    catalogue.SetObserver(&recorder);
    Fill(catalogue, {"b", "a", "a"});
    catalogue.Apply(RowsFound{});  // an empty batch says nothing
    catalogue.HeaderClicked(1);
    catalogue.HeaderClicked(99);  // no such column: nothing
    catalogue.RemoveRow(0);
    catalogue.RemoveRow(7);  // no such row: nothing
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"about-reset", "reset", "about-reset", "reset", "about-insert 0+3",
                                                      "insert 0+3", "about-reorder", "reorder", "about-reorder",
                                                      "reorder", "about-remove 0", "remove 0"}));
}

TEST(Catalogue, RemovingARowKeepsTheCountsAndGroupsRight) {
    const struct {
        std::vector<std::string> keys;  // sorted order after the scan
        std::string removed;            // file name of the removed row
        int unique;
        std::vector<std::vector<std::string>> groups;  // by file name, after the removal
    } cases[] = {
        {{"a", "b", "c"}, "f1", 2, {}},
        {{"a", "a", "c"}, "f1", 2, {}},                      // a pair loses a member: no group left
        {{"a", "a", "a", "c"}, "f0", 2, {{"f1", "f2"}}},     // the group goes on without it
        {{"a", "a", "c", "c"}, "f0", 2, {{"f2", "f3"}}},     // the other group's rows move up
        {{"x"}, "f0", 0, {}},
    };
    for (const auto& c : cases) {
        Catalogue catalogue;
        Fill(catalogue, c.keys);
        int row = -1;
        for (int r = 0; r < catalogue.Model().RowCount(); ++r) {
            if (catalogue.Model().Cell(r, kFilenameColumn) == c.removed) row = r;
        }
        ASSERT_GE(row, 0);
        catalogue.RemoveRow(row);
        EXPECT_EQ(catalogue.EntryCount(), static_cast<int>(c.keys.size()) - 1);
        EXPECT_EQ(catalogue.Model().RowCount(), catalogue.EntryCount());
        EXPECT_EQ(catalogue.UniqueCount(), c.unique) << c.removed;
        EXPECT_EQ(GroupNames(catalogue), c.groups);
    }
}

TEST(Catalogue, ARefreshedRowMovesToItsPlaceAndIsCheckedForDuplicates) {
    const struct {
        const char* name;
        std::vector<std::string> keys;  // sorted order after the scan
        std::string refreshed;          // file name of the row read again
        std::string newKey;
        int place;                      // where the row ends up
        std::vector<std::string> order; // file names, after
        int unique;
        std::vector<std::vector<std::string>> groups;  // by file name, after
    } cases[] = {
        {"unchanged", {"a", "b", "c"}, "f1", "b", 1, {"f0", "f1", "f2"}, 3, {}},
        {"down past the others", {"a", "b", "c"}, "f0", "d", 2, {"f1", "f2", "f0"}, 3, {}},
        {"up, and into a pair", {"a", "b", "c"}, "f2", "b", 1, {"f0", "f2", "f1"}, 2, {{"f1", "f2"}}},
        {"out of a pair", {"a", "a", "c"}, "f0", "z", 2, {"f1", "f2", "f0"}, 3, {}},
        {"into a group of three", {"a", "a", "b"}, "f2", "a", 0, {"f2", "f0", "f1"}, 1, {{"f0", "f1", "f2"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Catalogue catalogue;
        Fill(catalogue, c.keys);
        Recorder recorder;
        catalogue.SetObserver(&recorder);
        int row = -1;
        for (int r = 0; r < catalogue.Model().RowCount(); ++r) {
            if (catalogue.Model().Cell(r, kFilenameColumn) == c.refreshed) row = r;
        }
        ASSERT_GE(row, 0);
        CatalogRow cells = Row(c.newKey, c.refreshed);
        cells.cells[kSizeColumn] = "32769";  // the same size class
        EXPECT_EQ(catalogue.RefreshRow(row, cells.cells), c.place);
        EXPECT_EQ(catalogue.Model().Cell(c.place, kSizeColumn), "32769");
        std::vector<std::string> order;
        for (int r = 0; r < catalogue.Model().RowCount(); ++r) order.emplace_back(catalogue.Model().Cell(r, kFilenameColumn));
        EXPECT_EQ(order, c.order);
        EXPECT_EQ(catalogue.UniqueCount(), c.unique);
        EXPECT_EQ(catalogue.Status(kStatusDuplicates), std::to_string(c.unique) + " known unique");
        EXPECT_EQ(GroupNames(catalogue), c.groups);
        EXPECT_EQ(recorder.log, (std::vector<std::string>{"about-reorder", "reorder"}));
        catalogue.SetObserver(nullptr);
    }
    Catalogue empty;
    EXPECT_EQ(empty.RefreshRow(0, {"a"}), -1);
}

TEST(Catalogue, AScanThatStopsOrFindsNoFolderStillEndsIdle) {
    for (bool stopped : {false, true}) {
        Catalogue catalogue;
        catalogue.Apply(ScanStarted{});
        EXPECT_FALSE(catalogue.Idle());
        catalogue.Apply(FileProblem{"/gone", "No such file or directory"});
        catalogue.Apply(WalkDone{std::chrono::steady_clock::now(), stopped});
        EXPECT_TRUE(catalogue.Idle());
        EXPECT_EQ(catalogue.Status(kStatusEntries), "0 ROMs");
        EXPECT_EQ(catalogue.Status(kStatusDuplicates), "0 known unique");
        EXPECT_EQ(catalogue.Status(kStatusFile) == "Stopped", stopped);
    }
}

}  // namespace
}  // namespace catalogue_test
}  // namespace vorne

namespace vorne {
namespace catalogue_test {
namespace {

// While the duplicate finder has the rows, the list keeps the DAT's columns.
TEST(Catalogue, TheDatsColumnsStayWhileTheRowsAreAway) {
    Catalogue catalogue;
    catalogue.ChooseKind(RomType::Snes);
    auto dat = std::make_shared<DatSet>();
    dat->file = ParseDat("game ( name G rom ( name g.sfc size 4 crc 01020304 ) )", "g.dat");
    catalogue.SetDat(dat);
    const int columns = ColumnCount(RomType::Snes) + kDatColumnCount;
    ASSERT_EQ(catalogue.ColumnCount(), columns);
    const CatalogModel rows = catalogue.TakeRowsToFinish();
    EXPECT_EQ(catalogue.Model().ColumnCount(), columns);
    EXPECT_EQ(catalogue.ColumnAt(columns - 1)->title, "DAT Match");
    EXPECT_EQ(catalogue.ColumnAt(columns), nullptr);
}

}  // namespace
}  // namespace catalogue_test
}  // namespace vorne
