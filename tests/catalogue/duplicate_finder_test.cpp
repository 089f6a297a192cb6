#include "catalogue/duplicate_finder.h"

#include <gtest/gtest.h>

#include <map>

namespace vorne {
namespace {

struct Finder {
    explicit Finder(RomType type) : type(type) { model.Reset(ColumnCount(type)); }

    void Add(std::vector<std::string> cells) {
        cells.resize(static_cast<std::size_t>(ColumnCount(type)));
        model.InsertRow(model.RowCount(), CatalogRow{std::move(cells)});
    }
    int Run() {
        return FindDuplicates(model, type, [this](int part, std::string text) { status[part] = std::move(text); });
    }
    std::vector<bool> Marks() const {
        std::vector<bool> marks;
        for (int r = 0; r < model.RowCount(); ++r) marks.push_back(model.IsDuplicate(r));
        return marks;
    }

    RomType type;
    CatalogModel model;
    std::map<int, std::string> status;
};

TEST(FindDuplicates, NesIgnoresTitleAndReservedBytes) {
    Finder f(RomType::Nes);
    // Same data, one with a 128-byte title behind it: sizes 40976 and 41104 are both class 5.
    f.Add({"a1b2c3d4", "x.nes", "40976", "0", "32k", "8k", "Horizontal", "No", "No", "No", "", "", "Game"});
    f.Add({"a1b2c3d4", "y.nes", "41104", "0", "32k", "8k", "Horizontal", "No", "No", "No", "Title", "DiskDude!", "Game"});
    EXPECT_EQ(f.Run(), 1);
    EXPECT_EQ(f.Marks(), (std::vector<bool>{true, true}));
    EXPECT_EQ(f.status[1], "1 known unique");
    EXPECT_EQ(f.status[2], "");
    ASSERT_EQ(f.model.DuplicateGroups().size(), 1u);
}

TEST(FindDuplicates, Rules) {
    struct Case {
        const char* what;
        RomType type;
        std::vector<std::vector<std::string>> rows;
        int unique;
        std::size_t groups;
    };
    const Case cases[] = {
        {"different size classes", RomType::Gameboy,
         {{"TITLE", "a.gb", "32768", "32k"}, {"TITLE", "b.gb", "65536", "32k"}}, 2, 0},
        {"8191 and 8192 differ", RomType::Gameboy, {{"T", "a", "8191"}, {"T", "b", "8192"}}, 2, 0},
        {"8192 and 16383 agree", RomType::Gameboy, {{"T", "a", "8192"}, {"T", "b", "16383"}}, 1, 1},
        {"a decoded column differs", RomType::Gameboy, {{"T", "a", "100", "32k"}, {"T", "b", "100", "64k"}}, 2, 0},
        {"empty keys never match", RomType::Mp3, {{"", "a.mp3", "100"}, {"", "b.mp3", "100"}}, 2, 0},
        {"three alike: one group", RomType::Gameboy, {{"T", "a", "1"}, {"T", "b", "1"}, {"T", "c", "1"}}, 1, 1},
        {"case matters in the key", RomType::Gameboy, {{"T", "a", "1"}, {"t", "b", "1"}}, 2, 0},
        {"zip members by class", RomType::Zip,
         {{"123", "p.zip <a>", "8000", "9000"}, {"123", "q.zip <a>", "8300", "9000"}}, 2, 0},
        {"zip members alike", RomType::Zip,
         {{"123", "p.zip <a>", "8000", "9000"}, {"123", "q.zip <b>", "8100", "9000"}}, 1, 1},
        {"title columns count outside NES", RomType::Snes,
         {{"T", "a", "1", "LoRom", "Slow", "4 Mbit", "0 Kbit", "ROM", "USA", "Nintendo"},
          {"T", "b", "1", "LoRom", "Slow", "4 Mbit", "0 Kbit", "ROM", "Japan", "Nintendo"}}, 2, 0},
        {"nothing at all", RomType::Nes, {}, 0, 0},
    };
    for (const Case& c : cases) {
        Finder f(c.type);
        for (const auto& row : c.rows) f.Add(row);
        EXPECT_EQ(f.Run(), c.unique) << c.what;
        EXPECT_EQ(f.model.DuplicateGroups().size(), c.groups) << c.what;
    }
}

TEST(FindDuplicates, GroupsStartWithTheTopmostRowAfterSorting) {
    Finder f(RomType::Gameboy);
    f.Add({"B", "1", "1"});
    f.Add({"A", "2", "1"});
    f.Add({"B", "3", "1"});
    f.Add({"A", "4", "1"});
    f.Add({"B", "5", "1"});
    EXPECT_EQ(f.Run(), 2);
    EXPECT_EQ(f.model.Cell(0, 0), "A");
    ASSERT_EQ(f.model.DuplicateGroups().size(), 2u);
    EXPECT_EQ(f.model.DuplicateGroups()[0], (DuplicateGroup{0, 1}));
    EXPECT_EQ(f.model.DuplicateGroups()[1], (DuplicateGroup{2, 3, 4}));
}

TEST(RecheckRow, JoinsAndLeavesGroups) {
    Finder f(RomType::Gameboy);
    f.Add({"A", "1", "1", "x"});
    f.Add({"B", "2", "1", "x"});
    f.Add({"B", "3", "1", "x"});
    int unique = f.Run();
    ASSERT_EQ(unique, 2);

    // Row "A" is edited into a third "B": it moves before its equals and joins their group.
    f.model.SetCell(0, 0, "B");
    int g = f.model.RepositionRow(0);
    ASSERT_EQ(g, 0);
    RecheckRow(f.model, f.type, g, unique, [&](int part, std::string text) { f.status[part] = text; });
    EXPECT_EQ(unique, 1);
    EXPECT_EQ(f.status[1], "1 known unique");
    EXPECT_TRUE(f.model.IsDuplicate(0));

    // Edited again into something unique: it leaves the group.
    f.model.SetCell(0, 0, "C");
    g = f.model.RepositionRow(0);
    ASSERT_EQ(g, 2);
    RecheckRow(f.model, f.type, g, unique, [&](int part, std::string text) { f.status[part] = text; });
    EXPECT_FALSE(f.model.IsDuplicate(g));
    EXPECT_EQ(unique, 2);
}

}  // namespace
}  // namespace vorne
