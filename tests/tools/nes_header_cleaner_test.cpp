#include "tools/nes_header_cleaner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <string>
#include <vector>

#include "base/rom_type.h"
#include "formats/nes.h"
#include "images.h"
#include "platform/file_error.h"
#include "support/as_user.h"
#include "support/temp_dir.h"
#include "tools/file_watch.h"
#include "tools/recording_report.h"

namespace vorne {
namespace nes_header_cleaner_test {
namespace {

using samples::Bytes;
using Reserved = std::array<std::uint8_t, 9>;  // header bytes 7 to 15

const int kNesColumns = ColumnCount(RomType::Nes);

CatalogRow NesRow(const std::string& filename, const std::string& trainer = "No") {
    return test::RowOf(kNesColumns, {{kFilenameColumn, filename}, {FieldNumber(NesField::Trainer), trainer}});
}

Reserved ReservedOf(const Bytes& file) {
    Reserved r;
    std::copy(file.begin() + 7, file.begin() + 16, r.begin());
    return r;
}

struct CleanerCase {
    const char* what;
    Reserved before;
    Reserved after;
    CleanerCounts counts;  // what this file adds
};

const Reserved kSignature{'D', 'i', 's', 'k', 'D', 'u', 'd', 'e', '!'};
const CleanerCase kCases[] = {
    {"a signature starting with D: everything cleared", kSignature, {}, {1, 1, 1}},
    {"bits 2 and 3 of byte 7 reading 11 are junk", {'O', 'K'}, {}, {1, 1, 1}},
    {"a high mapper nibble with junk in bytes 11 to 15", {0x20, 0, 0, 0, 'a', 'b'}, {0x20}, {1, 0, 1}},
    {"VS System bits with junk in bytes 11 to 15", {0x01, 0, 0, 0, 0, 0, 0, 0, 'x'}, {}, {1, 1, 1}},
    {"a high mapper nibble alone is no junk", {0x10}, {0x10}, {0, 0, 0}},
    {"a VS System game on mapper 99 is no junk", {0x61}, {0x61}, {0, 0, 0}},
    {"PRG RAM and a PAL game's byte 9 are no junk", {0x10, 0x02, 0x01}, {0x10, 0x02, 0x01}, {0, 0, 0}},
    {"byte 7 zero: left alone, junk and all", {0x00, 'j', 'u', 'n', 'k'}, {0x00, 'j', 'u', 'n', 'k'}, {0, 0, 0}},
    {"an NES 2.0 header is no junk", {0x08, 0x00, 0x00, 0x07, 0x00, 0x01}, {0x08, 0x00, 0x00, 0x07, 0x00, 0x01}, {0, 0, 0}},
    {"nor one declaring more than the file holds", {0x08, 0x00, 0x01, 'x', 0, 'y'}, {0x08, 0x00, 0x01, 'x', 0, 'y'}, {0, 0, 0}},
};

Bytes NesWith(const Reserved& reserved, std::uint32_t seed) {
    return samples::MakeNes({.prgBanks = 2, .chrBanks = 1, .flags6 = 0x31, .bytes7to15 = reserved, .seed = seed});
}

TEST(NesHeaderCleaner, EachCaseAndItsCounters) {
    for (const CleanerCase& c : kCases) {
        test::TempDir dir;
        const Bytes before = NesWith(c.before, 7);
        dir.Write("game.nes", before);
        test::RecordingReport report;
        std::vector<CatalogRow> rows{NesRow("game.nes")};
        CleanerCounts counts = CleanNesHeaders(dir.Path(), rows, ToolScope::WholeList, report);
        EXPECT_EQ(counts.cleaned, c.counts.cleaned) << c.what;
        EXPECT_EQ(counts.mappers, c.counts.mappers) << c.what;
        EXPECT_EQ(counts.reserved, c.counts.reserved) << c.what;

        Bytes want = before;
        std::copy(c.after.begin(), c.after.end(), want.begin() + 7);
        EXPECT_EQ(test::ReadFile(dir / "game.nes"), want) << c.what;  // nothing but bytes 7 to 15 changes
        EXPECT_EQ(report.Of("message"), std::vector<std::string>{"message Header Cleaner: " + CleanerSummary(counts)})
            << c.what;
    }
}

TEST(NesHeaderCleaner, WholeListSumsTheCountersAndSkipsArchiveMembers) {
    test::TempDir dir;
    std::vector<CatalogRow> rows;
    std::uint32_t seed = 1;
    for (const CleanerCase& c : kCases) {
        std::string name = "sub/" + std::to_string(seed) + ".nes";
        dir.Write(name, NesWith(c.before, seed++));
        rows.push_back(NesRow(name));
    }
    rows.push_back(test::AsMember(NesRow(""), "pack.zip", "GAME.NES"));  // not a file: it must not even be opened
    // Files that are no iNES image, whatever their names, are named and left alone.
    const std::string text = "NES 1.0 readme: bytes 7 to 15 are not a header\n";
    const Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 1, 0};
    dir.Write("readme.nes", Bytes(text.begin(), text.end()));
    dir.Write("cover.png", png);
    rows.push_back(NesRow("readme.nes"));
    rows.push_back(NesRow("cover.png"));
    test::RecordingReport report;
    CleanNesHeaders(dir.Path(), rows, ToolScope::WholeList, report);
    EXPECT_EQ(report.Of("message"),
              std::vector<std::string>{"message Header Cleaner: 4 headers cleaned, 3 mappers changed, 4 reserved bytes changed."});
    EXPECT_TRUE(report.Of("status").empty());
    EXPECT_TRUE(report.Of("failed").empty());
    const std::string notInes = ": is not an iNES image (it does not begin with NES and 0x1A); left as it is";
    EXPECT_EQ(report.Of("skipped"), (std::vector<std::string>{"skipped readme.nes" + notInes, "skipped cover.png" + notInes}));
    EXPECT_EQ(test::ReadFile(dir / "readme.nes"), Bytes(text.begin(), text.end()));
    EXPECT_EQ(test::ReadFile(dir / "cover.png"), png);
    // The cleaned rows get their new Reserved and Mapper texts (mapper 3 from byte 6 alone, or
    // with the high nibble byte 7 keeps).
    auto cells = [](const std::string& file, const std::string& reserved, const std::string& mapper) {
        return "cells " + file + ": " + std::to_string(FieldNumber(NesField::Reserved)) + "=" + reserved + " " +
               std::to_string(FieldNumber(NesField::Mapper)) + "=" + mapper;
    };
    EXPECT_EQ(report.Of("cells"), (std::vector<std::string>{cells("sub/1.nes", "", "3"), cells("sub/2.nes", "", "3"),
                                                            cells("sub/3.nes", " ", "35"), cells("sub/4.nes", "", "3")}));
}

TEST(NesHeaderCleaner, SelectionShowsItsProgressAndNoSummary) {
    test::TempDir dir;
    dir.Write("a.nes", NesWith(kSignature, 1));
    dir.Write("b.nes", NesWith({}, 2));
    test::RecordingReport report;
    std::vector<CatalogRow> rows{NesRow("a.nes"), NesRow("b.nes")};
    CleanNesHeaders(dir.Path(), rows, ToolScope::Selection, report);
    EXPECT_EQ(report.Of("status"), (std::vector<std::string>{"status 0: Cleaning...", "status 2: a.nes"}));
    EXPECT_TRUE(report.Of("message").empty());
}

TEST(NesHeaderCleaner, WritesEachFileThroughOneOpen) {
    test::TempDir dir;
    std::string path = dir.Write("a.nes", NesWith(kSignature, 1));
    test::FileWatch watch(path);
    test::RecordingReport report;
    std::vector<CatalogRow> rows{NesRow("a.nes")};
    CleanNesHeaders(dir.Path(), rows, ToolScope::Selection, report);
    EXPECT_EQ(watch.TakeOpens(), 1);  // read and both fields written through one open
    EXPECT_EQ(ReservedOf(test::ReadFile(path)), Reserved{});
}

// A file that may not be written is still read: a clean one is no error, one that needs cleaning
// is a file error, which ends the command.
TEST(NesHeaderCleaner, ReadOnlyFiles) {
    test::TempDir dir;
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    const Bytes clean = NesWith({}, 1);
    const Bytes dirty = NesWith(kSignature, 2);
    for (std::string name : {"clean.nes", "dirty.nes"}) {
        std::string path = dir.Write(name, name == "clean.nes" ? clean : dirty);
        ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    }
    const test::Account nobody = test::Nobody();
    CleanerCounts counts;
    auto result = test::RunAs(test::IsRoot() ? &nobody : nullptr, [&] {
        test::RecordingReport report;
        std::vector<CatalogRow> first{NesRow("clean.nes")};
        counts = CleanNesHeaders(dir.Path(), first, ToolScope::Selection, report);
        if (counts.cleaned != 0) throw std::runtime_error("a clean header was counted");
        std::vector<CatalogRow> second{NesRow("dirty.nes")};
        CleanNesHeaders(dir.Path(), second, ToolScope::Selection, report);
    });
    EXPECT_EQ(result.outcome, test::ChildResult::FileError) << result.message;
    EXPECT_EQ(result.message, dir / "dirty.nes: Permission denied");
    EXPECT_EQ(test::ReadFile(dir / "clean.nes"), clean);
    EXPECT_EQ(test::ReadFile(dir / "dirty.nes"), dirty);
}

TEST(NesHeaderCleaner, AFileErrorEndsTheCommandARefusalDoesNot) {
    test::TempDir dir;
    dir.Write("a.nes", NesWith(kSignature, 1));
    // Too short for bytes 8 to 15: refused before anything is written, and named.
    const Bytes shortFile{'N', 'E', 'S', 0x1A, 1, 1, 0, 'D', 'x', 'y'};
    dir.Write("short.nes", shortFile);
    const Bytes last = NesWith(kSignature, 3);
    dir.Write("z.nes", last);
    std::vector<CatalogRow> rows{NesRow("a.nes"), NesRow("short.nes"), NesRow("gone.nes"), NesRow("z.nes")};
    test::RecordingReport report;
    EXPECT_THROW(CleanNesHeaders(dir.Path(), rows, ToolScope::WholeList, report), FileError);
    EXPECT_EQ(ReservedOf(test::ReadFile(dir / "a.nes")), Reserved{});  // done before the error: stays done
    EXPECT_EQ(test::ReadFile(dir / "short.nes"), shortFile);
    EXPECT_EQ(report.Of("failed"), std::vector<std::string>{"failed short.nes: the header lies past the end of the file"});
    EXPECT_EQ(test::ReadFile(dir / "z.nes"), last);  // not visited
    EXPECT_TRUE(report.Of("message").empty());      // no summary after an error
}

}  // namespace
}  // namespace nes_header_cleaner_test
}  // namespace vorne
