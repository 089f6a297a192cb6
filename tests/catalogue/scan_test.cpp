#include "catalogue/scan.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "catalogue/catalogue.h"
#include "base/crc32.h"
#include "catalogue/scan_queue.h"
#include "images.h"
#include "support/temp_dir.h"
#include "zip_writer.h"

namespace vorne {
namespace scan_test {
namespace {

using samples::Bytes;

struct Scanned {
    std::unique_ptr<Catalogue> catalogue = std::make_unique<Catalogue>();
    std::vector<std::string> files;  // column 1 of every row, sorted
};

Scanned Scan(const std::string& folder, RomType type, bool subfolders, const std::string& knownDumps = "") {
    auto switches = std::make_shared<ScanSwitches>();
    switches->subfolders = subfolders;
    Scanned result;
    result.catalogue->ChooseKind(type);
    RunScan(*result.catalogue, {type, folder, switches, knownDumps});
    for (int r = 0; r < result.catalogue->Model().RowCount(); ++r) {
        result.files.emplace_back(result.catalogue->Model().Cell(r, kFilenameColumn));
    }
    std::sort(result.files.begin(), result.files.end());
    return result;
}

Bytes Nes(std::uint32_t seed) { return samples::MakeNes({.prgBanks = 1, .chrBanks = 1, .seed = seed}); }

TEST(Scan, ListsTheKindsFilesAndSubfoldersWhenAsked) {
    test::TempDir dir;
    dir.Write("a.nes", Nes(1));
    dir.Write("B.NES", Nes(2));
    dir.Write("notes.txt", {1, 2, 3});
    dir.Write("sub/c.nes", Nes(3));
    dir.Write("sub/deeper/d.Nes", Nes(1));
    ::mkdir((dir / "folder.nes").c_str(), 0755);  // a folder with the extension is no file

    Scanned flat = Scan(dir.Path(), RomType::Nes, false);
    EXPECT_EQ(flat.files, (std::vector<std::string>{"B.NES", "a.nes"}));
    EXPECT_TRUE(flat.catalogue->Problems().empty());

    Scanned deep = Scan(dir.Path(), RomType::Nes, true);
    EXPECT_EQ(deep.files, (std::vector<std::string>{"B.NES", "a.nes", "sub/c.nes", "sub/deeper/d.Nes"}));
    const Catalogue& c = *deep.catalogue;
    EXPECT_EQ(c.EntryCount(), 4);
    EXPECT_EQ(c.UniqueCount(), 3);  // d.Nes duplicates a.nes
    EXPECT_EQ(c.Status(kStatusEntries), "4 ROMs");
    EXPECT_EQ(c.Status(kStatusDuplicates), "3 known unique");
    EXPECT_TRUE(c.Status(kStatusFile).ends_with("files per second")) << c.Status(kStatusFile);
    EXPECT_TRUE(c.Idle());
    ASSERT_EQ(c.Model().DuplicateGroups().size(), 1u);
    // The rows end sorted by column 0.
    for (int r = 1; r < c.Model().RowCount(); ++r) EXPECT_LE(c.Model().Cell(r - 1, kKeyColumn), c.Model().Cell(r, kKeyColumn));
}

TEST(Scan, SnesSplitSetsListOnlyTheirFirstPart) {
    test::TempDir dir;
    Bytes part = samples::MakeSnes({.size = 64 * 1024});
    for (const char* name : {"SF16MARA.078", "SF16MARB.078", "SF16MARC.078", "PART1.078", "gamea.058", "gameb.058",
                             "other.smc", "notsplitb.sfc"}) {
        dir.Write(name, part);
    }
    Scanned s = Scan(dir.Path(), RomType::Snes, false);
    EXPECT_EQ(s.files, (std::vector<std::string>{"PART1.078", "SF16MARA.078", "gamea.058", "notsplitb.sfc", "other.smc"}));
}

// The character before the dot decides, for both split-set extensions: A and a are first parts,
// every other letter a later part; anything else (digits, and '@', '[', '`' and '{' just outside
// the letter ranges) is no split set at all.
TEST(Scan, SnesSplitSetLettersFromBothSides) {
    std::string listedCharacters = "Aa0123456789@[`{_-";
    std::string skippedCharacters;
    for (char c = 'B'; c <= 'Z'; ++c) skippedCharacters += c;
    for (char c = 'b'; c <= 'z'; ++c) skippedCharacters += c;
    test::TempDir dir;
    std::vector<std::string> expected;
    for (const char* extension : {".078", ".058"}) {
        for (char c : listedCharacters + skippedCharacters) {
            std::string name = std::string("GAME") + c + extension;
            dir.Write(name, Bytes(64, 0));
            if (listedCharacters.find(c) != std::string::npos) expected.push_back(name);
        }
    }
    dir.Write("GAMEB.smc", Bytes(64, 0));  // other extensions are never split sets
    expected.push_back("GAMEB.smc");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Scan(dir.Path(), RomType::Snes, false).files, expected);
}

TEST(Scan, CountTexts) {
    test::TempDir dir;
    Scanned none = Scan(dir.Path(), RomType::Nes, false);
    EXPECT_EQ(none.catalogue->Status(kStatusEntries), "0 ROMs");
    EXPECT_EQ(none.catalogue->Status(kStatusDuplicates), "0 known unique");
    dir.Write("one.nes", Nes(1));
    EXPECT_EQ(Scan(dir.Path(), RomType::Nes, false).catalogue->Status(kStatusEntries), "1 ROM");

    EXPECT_EQ(TimingText(std::chrono::nanoseconds(0), 0), "0.000 seconds, 0.000 files per second");
    EXPECT_EQ(TimingText(std::chrono::milliseconds(1500), 3), "1.500 seconds, 2.000 files per second");
    EXPECT_EQ(RomCountText(12), "12 ROMs");
}

// Every status text in the order it is shown, from the start of a scan to its end.
class StatusRecorder : public CatalogueObserver {
public:
    explicit StatusRecorder(Catalogue& catalogue) : catalogue(catalogue) { catalogue.SetObserver(this); }
    void StatusChanged(int part) override { shown.emplace_back(part, catalogue.Status(part)); }

    Catalogue& catalogue;
    std::vector<std::pair<int, std::string>> shown;
};

TEST(Scan, StatusTextsFromStartToEnd) {
    using Shown = std::vector<std::pair<int, std::string>>;
    struct Case {
        const char* what;
        std::vector<std::string> files;  // rows of one NES image each; equal names are equal images
        Shown atStart;
        Shown atEnd;                     // the timing in part 2 comes last and is left out
    };
    const Case cases[] = {
        {"nothing found", {}, {{kStatusEntries, "Processing..."}, {kStatusDuplicates, ""}},
         {{kStatusEntries, "0 ROMs"}, {kStatusDuplicates, "Sorting..."}, {kStatusFile, ""},
          {kStatusDuplicates, "Finding dupes..."}, {kStatusDuplicates, "0 known unique"}}},
        {"one file", {"a"}, {{kStatusEntries, "Processing..."}, {kStatusDuplicates, ""}},
         {{kStatusEntries, "1 ROM"}, {kStatusDuplicates, "Sorting..."}, {kStatusFile, ""},
          {kStatusDuplicates, "Finding dupes..."}, {kStatusDuplicates, "1 known unique"}}},
        {"three files, two alike", {"a", "b", "a"}, {{kStatusEntries, "Processing..."}, {kStatusDuplicates, ""}},
         {{kStatusEntries, "3 ROMs"}, {kStatusDuplicates, "Sorting..."}, {kStatusFile, ""},
          {kStatusDuplicates, "Finding dupes..."}, {kStatusDuplicates, "2 known unique"}}},
    };
    for (const Case& c : cases) {
        Catalogue catalogue;
        // What an earlier scan left in the status bar.
        catalogue.ShowStatus(kStatusEntries, "9 ROMs");
        catalogue.ShowStatus(kStatusDuplicates, "7 known unique");
        catalogue.ShowStatus(kStatusFile, "1.000 seconds, 9.000 files per second");
        StatusRecorder recorder(catalogue);
        catalogue.Apply(ScanStarted{});
        EXPECT_EQ(recorder.shown, c.atStart) << c.what;
        EXPECT_EQ(catalogue.Status(kStatusEntries), "Processing...") << c.what;
        EXPECT_EQ(catalogue.Status(kStatusDuplicates), "") << c.what;

        RowsFound found;
        for (const std::string& file : c.files) {
            found.rows.push_back(CatalogRow{{file == "a" ? "0000000a" : "0000000b", file + ".nes", "40976", "0", "32k",
                                             "8k", "Horizontal", "No", "No", "No", "", "", ""}});
        }
        catalogue.Apply(std::move(found));
        recorder.shown.clear();
        catalogue.Apply(WalkDone{std::chrono::steady_clock::now()});
        ASSERT_EQ(recorder.shown.size(), c.atEnd.size() + 1) << c.what;
        EXPECT_EQ(Shown(recorder.shown.begin(), recorder.shown.end() - 1), c.atEnd) << c.what;
        EXPECT_EQ(recorder.shown.back().first, kStatusFile) << c.what;
        EXPECT_TRUE(recorder.shown.back().second.ends_with(" files per second")) << c.what;
        EXPECT_TRUE(catalogue.Idle()) << c.what;
    }
}

TEST(Scan, UnreadableFilesGiveNoRowAndAreReported) {
    test::TempDir dir;
    dir.Write("good.nes", Nes(1));
    ASSERT_EQ(::symlink((dir / "missing").c_str(), (dir / "dangling.nes").c_str()), 0);
    Scanned s = Scan(dir.Path(), RomType::Nes, false);
    EXPECT_EQ(s.files, (std::vector<std::string>{"good.nes"}));
    ASSERT_EQ(s.catalogue->Problems().size(), 1u);
    EXPECT_EQ(s.catalogue->Problems()[0].path, "dangling.nes");
    EXPECT_EQ(s.catalogue->Problems()[0].message, "No such file or directory");
}

TEST(Scan, MissingFolderListsNothing) {
    test::TempDir dir;
    Scanned s = Scan(dir / "nowhere", RomType::Nes, true);
    EXPECT_TRUE(s.files.empty());
    EXPECT_EQ(s.catalogue->Status(kStatusEntries), "0 ROMs");
    EXPECT_EQ(s.catalogue->Problems().size(), 1u);
}

TEST(Scan, NamesKnownDumps) {
    test::TempDir dir;
    Bytes image = Nes(7);
    dir.Write("roms/x.nes", image);
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", Crc32(std::span<const std::uint8_t>(image).subspan(16)));
    std::string list = std::string(crc) + "\tSeven (U)\r\n";
    dir.Write("nescrcs.txt", Bytes(list.begin(), list.end()));
    Scanned s = Scan(dir / "roms", RomType::Nes, false, dir / "nescrcs.txt");
    ASSERT_EQ(s.catalogue->Model().RowCount(), 1);
    EXPECT_EQ(s.catalogue->Model().Cell(0, kKeyColumn), crc);
    EXPECT_EQ(s.catalogue->Model().Cell(0, FieldNumber(NesField::ArtificialTitle)), "Seven (U)");
}

TEST(Scan, ZipKindListsMembersFromTheirHeaders) {
    test::TempDir dir;
    samples::ZipWriter pack;
    Bytes game = Nes(1);
    pack.Add({.name = "GAME.NES", .data = game, .deflate = true});
    pack.Add({.name = "docs/readme.txt", .data = Bytes(100, 'r'), .dataDescriptor = true});
    dir.Write("pack.zip", pack.Finish());
    samples::ZipWriter other;
    other.Add({.name = "x", .data = Bytes{0x00}});  // its CRC-32 has the top bit set
    dir.Write("sub/other.ZIP", other.Finish());

    Scanned s = Scan(dir.Path(), RomType::Zip, true);
    EXPECT_EQ(s.files, (std::vector<std::string>{"pack.zip <GAME.NES>", "pack.zip <docs/readme.txt>", "sub/other.ZIP <x>"}));
    const CatalogModel& m = s.catalogue->Model();
    for (int r = 0; r < m.RowCount(); ++r) {
        if (m.Cell(r, kFilenameColumn) == "pack.zip <GAME.NES>") {
            EXPECT_EQ(m.Cell(r, kKeyColumn), std::to_string(Crc32(game)));
            EXPECT_EQ(m.Cell(r, FieldNumber(ZipField::Uncompressed)), std::to_string(game.size()));
        } else if (m.Cell(r, kFilenameColumn) == "pack.zip <docs/readme.txt>") {
            EXPECT_EQ(m.Cell(r, kSizeColumn), "100");
            EXPECT_EQ(m.Cell(r, FieldNumber(ZipField::Uncompressed)), "100");
        } else {
            std::uint32_t crc = Crc32(Bytes{0x00});
            ASSERT_GE(crc, 0x80000000u);
            EXPECT_EQ(m.Cell(r, kKeyColumn), std::to_string(crc));
        }
    }
}

// The switches are read afresh for every folder; a stop request ends the walk early.
TEST(Scan, StopsWhenAsked) {
    test::TempDir dir;
    for (int i = 0; i < 50; ++i) dir.Write("f" + std::to_string(i) + ".nes", Nes(static_cast<std::uint32_t>(i)));
    ScanEventQueue queue;
    std::stop_source stop;
    stop.request_stop();
    ScanThread({RomType::Nes, dir.Path(), std::make_shared<ScanSwitches>(), ""}, queue, stop.get_token());
    Catalogue catalogue;
    while (true) {
        ScanEvent event = queue.Take();
        bool done = std::holds_alternative<WalkDone>(event);
        catalogue.Apply(std::move(event));
        if (done) break;
    }
    EXPECT_EQ(catalogue.EntryCount(), 0);
    EXPECT_EQ(catalogue.Status(kStatusFile), "Stopped");
    EXPECT_TRUE(catalogue.Idle());
}

}  // namespace
}  // namespace scan_test
}  // namespace vorne
