#include "catalogue/duplicate_finder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>

namespace vorne {
namespace duplicate_finder_test {
namespace {

struct Finder {
    explicit Finder(RomType type) : type(type) { model.Reset(Kind(type).columns); }

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
    EXPECT_EQ(f.status[kStatusDuplicates], "1 known unique");
    EXPECT_EQ(f.status[kStatusFile], "");
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
    EXPECT_EQ(f.model.Cell(0, kKeyColumn), "A");
    ASSERT_EQ(f.model.DuplicateGroups().size(), 2u);
    EXPECT_EQ(f.model.DuplicateGroups()[0], (DuplicateGroup{0, 1}));
    EXPECT_EQ(f.model.DuplicateGroups()[1], (DuplicateGroup{2, 3, 4}));
}

// Size classes interleaved within one key: each row joins the nearest earlier row of its class
// and columns, not merely the row above it.
TEST(FindDuplicates, EachRowJoinsTheNearestEarlierRowThatAgrees) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> sizeAndType;  // columns 2 and 9, key "K"
        int unique;
        std::vector<DuplicateGroup> groups;
    };
    const Case cases[] = {
        {"classes 1, 2, 1, 2, 1", {{"8192", "ROM"}, {"16384", "ROM"}, {"9000", "ROM"}, {"20000", "ROM"}, {"16383", "ROM"}},
         2, {{0, 2, 4}, {1, 3}}},
        {"classes 1, 2, 2, 1", {{"8192", "ROM"}, {"16384", "ROM"}, {"16385", "ROM"}, {"8193", "ROM"}}, 2, {{1, 2}, {0, 3}}},
        {"a column alternates", {{"100", "ROM"}, {"100", "RAM"}, {"100", "ROM"}, {"100", "RAM"}}, 2, {{0, 2}, {1, 3}}},
        {"one apart among strangers", {{"100", "A"}, {"100", "B"}, {"100", "C"}, {"100", "A"}, {"100", "B"}},
         3, {{0, 3}, {1, 4}}},
        {"class 0 and class 1 never meet", {{"8191", "ROM"}, {"8192", "ROM"}, {"0", "ROM"}}, 2, {{0, 2}}},
    };
    for (const Case& c : cases) {
        Finder f(RomType::Gameboy);
        for (const auto& [size, type] : c.sizeAndType) f.Add({"K", "f.gb", size, "32k", "0k", "0", "1", "No", "Other", type});
        EXPECT_EQ(f.Run(), c.unique) << c.what;
        EXPECT_EQ(f.model.DuplicateGroups(), c.groups) << c.what;
    }
}

// The plain walk, kept as the reference: after the sort, each row looks upwards through the rows
// with its key for the nearest one with its size class and compared columns.
int ReferenceFindDuplicates(CatalogModel& model, RomType type) {
    model.ClearDuplicates();
    model.SortByColumn(kKeyColumn);
    auto sizeClass = [&](int r) { return std::strtoll(std::string(model.Cell(r, kSizeColumn)).c_str(), nullptr, 10) / 8192; };
    auto agree = [&](int a, int b) {
        if (sizeClass(a) != sizeClass(b)) return false;
        for (int c = kFirstDecodedColumn; c < model.ColumnCount(); ++c) {
            bool ignored = type == RomType::Nes &&
                           (c == FieldNumber(NesField::InternalTitle) || c == FieldNumber(NesField::Reserved));
            if (!ignored && model.Cell(a, c) != model.Cell(b, c)) return false;
        }
        return true;
    };
    int unique = 0;
    for (int r = 0; r < model.RowCount(); ++r) {
        bool matched = false;
        for (int n = r - 1; n >= 0 && !model.Cell(r, kKeyColumn).empty(); --n) {
            if (model.Cell(n, kKeyColumn) != model.Cell(r, kKeyColumn)) break;
            if (agree(r, n)) {
                model.AddDuplicate(r, n);
                matched = true;
                break;
            }
        }
        unique += !matched;
    }
    return unique;
}

// Random catalogues of many shapes: the finder forms exactly the groups of the plain walk, in the
// same order and with the same members in the same order, and counts alike.
TEST(FindDuplicates, AgreesWithThePlainWalkOnAnyKeyMix) {
    struct Mix {
        const char* what;
        RomType type;
        int rows;
        int keys;      // distinct keys
        int sizes;     // distinct sizes, 3000 bytes apart: a few per size class
        int variants;  // distinct values of each decoded column
        int emptyKeysPercent;
    };
    const Mix mixes[] = {
        {"one key, every row different", RomType::Gameboy, 1500, 1, 1, 1500, 0},
        {"one key, few variants", RomType::Gameboy, 1500, 1, 1, 3, 0},
        {"one key, size classes interleaved", RomType::Gameboy, 1500, 1, 8, 2, 0},
        {"few keys, many equal", RomType::Snes, 1500, 6, 4, 2, 0},
        {"NES: titles and reserved bytes differ freely", RomType::Nes, 1500, 10, 3, 2, 0},
        {"empty keys among shared ones", RomType::Mp3, 1000, 4, 2, 2, 30},
        {"distinct keys", RomType::Genesis, 1500, 1000000, 2, 2, 0},
        {"zip members", RomType::Zip, 1500, 20, 12, 3, 0},
    };
    for (const Mix& mix : mixes) {
        for (std::uint32_t seed = 1; seed <= 3; ++seed) {
            std::mt19937 random(seed);
            Finder f(mix.type);
            auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
            for (int i = 0; i < mix.rows; ++i) {
                std::vector<std::string> cells(static_cast<std::size_t>(ColumnCount(mix.type)));
                cells[kKeyColumn] = pick(100) < mix.emptyKeysPercent ? "" : "key" + std::to_string(pick(mix.keys));
                cells[kFilenameColumn] = "file" + std::to_string(i);
                cells[kSizeColumn] = std::to_string(1000 + 3000 * pick(mix.sizes));
                for (std::size_t c = kFirstDecodedColumn; c < cells.size(); ++c) {
                    cells[c] = "v" + std::to_string(pick(mix.variants));
                }
                if (mix.type == RomType::Nes) {
                    cells[FieldNumber(NesField::InternalTitle)] = "title" + std::to_string(pick(1000));
                    cells[FieldNumber(NesField::Reserved)] = "reserved" + std::to_string(pick(1000));
                }
                f.Add(cells);
            }
            CatalogModel reference = f.model;
            int referenceUnique = ReferenceFindDuplicates(reference, mix.type);
            ASSERT_EQ(f.Run(), referenceUnique) << mix.what << " seed " << seed;
            ASSERT_EQ(f.model.DuplicateGroups(), reference.DuplicateGroups()) << mix.what << " seed " << seed;
            for (int r = 0; r < f.model.RowCount(); ++r) {
                ASSERT_EQ(f.model.Row(r).cells, reference.Row(r).cells) << mix.what << " seed " << seed;
            }
        }
    }
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
    EXPECT_EQ(f.status[kStatusDuplicates], "1 known unique");
    EXPECT_TRUE(f.model.IsDuplicate(0));

    // Edited again into something unique: it leaves the group.
    f.model.SetCell(0, 0, "C");
    g = f.model.RepositionRow(0);
    ASSERT_EQ(g, 2);
    RecheckRow(f.model, f.type, g, unique, [&](int part, std::string text) { f.status[part] = text; });
    EXPECT_FALSE(f.model.IsDuplicate(g));
    EXPECT_EQ(unique, 2);
}

// The rows after the edited one that share its key are looked at until one matches: a row of
// another size class, or one whose decoded columns differ, does not end the search.
TEST(RecheckRow, LooksPastSameKeyRowsThatDoNotMatch) {
    struct Case {
        const char* what;
        std::vector<std::vector<std::string>> rows;  // the edited row first
        bool duplicate;
    };
    const Case cases[] = {
        {"another size class first", {{"B", "1", "1", "x"}, {"B", "2", "100000", "x"}, {"B", "3", "1", "x"}}, true},
        {"another decoded column first", {{"B", "1", "1", "x"}, {"B", "2", "1", "y"}, {"B", "3", "1", "x"}}, true},
        {"none alike", {{"B", "1", "1", "x"}, {"B", "2", "100000", "x"}, {"B", "3", "1", "y"}}, false},
    };
    for (const Case& c : cases) {
        Finder f(RomType::Gameboy);
        for (const auto& row : c.rows) f.Add(row);
        int unique = 3;
        RecheckRow(f.model, f.type, 0, unique, [](int, std::string) {});
        EXPECT_EQ(f.model.IsDuplicate(0), c.duplicate) << c.what;
        EXPECT_EQ(unique, c.duplicate ? 2 : 3) << c.what;
    }
}

}  // namespace
}  // namespace duplicate_finder_test
}  // namespace vorne
