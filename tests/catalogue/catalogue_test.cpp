#include "catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vorne {
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
        for (int r = 0; r < catalogue.model.RowCount(); ++r) {
            if (catalogue.model.Cell(r, 1) == c.removed) row = r;
        }
        ASSERT_GE(row, 0);
        catalogue.RemoveRow(row);
        EXPECT_EQ(catalogue.entryCount, static_cast<int>(c.keys.size()) - 1);
        EXPECT_EQ(catalogue.model.RowCount(), catalogue.entryCount);
        EXPECT_EQ(catalogue.uniqueCount, c.unique) << c.removed;
        std::vector<std::vector<std::string>> groups;
        for (const DuplicateGroup& group : catalogue.model.DuplicateGroups()) {
            std::vector<std::string> names;
            for (int member : group) names.emplace_back(catalogue.model.Cell(member, 1));
            std::sort(names.begin(), names.end());
            groups.push_back(names);
        }
        EXPECT_EQ(groups, c.groups);
    }
}

TEST(Catalogue, AScanThatStopsOrFindsNoFolderStillEndsIdle) {
    for (bool stopped : {false, true}) {
        Catalogue catalogue;
        catalogue.Apply(ScanStarted{});
        EXPECT_FALSE(catalogue.idle);
        catalogue.Apply(FileProblem{"/gone", "No such file or directory"});
        catalogue.Apply(WalkDone{std::chrono::steady_clock::now(), stopped});
        EXPECT_TRUE(catalogue.idle);
        EXPECT_EQ(catalogue.status[kStatusEntries], "0 ROMs");
        EXPECT_EQ(catalogue.status[kStatusDuplicates], "0 known unique");
        EXPECT_EQ(catalogue.status[kStatusFile] == "Stopped", stopped);
    }
}

}  // namespace
}  // namespace vorne
