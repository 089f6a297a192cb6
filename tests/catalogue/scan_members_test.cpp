// Archive members in the scan: with the zip box ticked, the members of the kind in each folder's
// archives are read, decoded from memory and listed as "archive <member>".
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "catalogue/scan_queue.h"
#include "images.h"
#include "support/temp_dir.h"
#include "zip_writer.h"

namespace vorne {
namespace {

using samples::Bytes;
using samples::ZipWriter;
using Row = std::vector<std::string>;

// The rows of a scan by their column 1.
std::map<std::string, Row> Scan(const std::string& folder, bool zipFiles, bool subfolders = false) {
    auto switches = std::make_shared<ScanSwitches>();
    switches->zipFiles = zipFiles;
    switches->subfolders = subfolders;
    Catalogue catalogue;
    catalogue.ChooseKind(RomType::Nes);
    RunScan(catalogue, {RomType::Nes, folder, switches, ""});
    std::map<std::string, Row> rows;
    for (int r = 0; r < catalogue.model.RowCount(); ++r) {
        Row row;
        for (int c = 0; c < catalogue.columnCount; ++c) row.emplace_back(catalogue.model.Cell(r, c));
        EXPECT_TRUE(rows.emplace(row[1], row).second) << "two rows for " << row[1];
    }
    return rows;
}

std::vector<std::string> Names(const std::map<std::string, Row>& rows) {
    std::vector<std::string> names;
    for (const auto& [name, row] : rows) names.push_back(name);
    return names;
}

Bytes Nes(std::uint32_t seed, int prgBanks = 1) {
    return samples::MakeNes({.prgBanks = prgBanks, .chrBanks = 1, .seed = seed});
}

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

// A member's row carries the same columns as the same bytes in a plain file, but for its name.
void ExpectSameColumns(const Row& member, const Row& plain) {
    ASSERT_EQ(member.size(), plain.size());
    for (std::size_t c = 0; c < member.size(); ++c) {
        if (c != 1) {
            EXPECT_EQ(member[c], plain[c]) << "column " << c << " of " << member[1];
        }
    }
}

TEST(ScanMembers, ListsTheKindsMembersOnlyWithTheZipBox) {
    test::TempDir dir;
    const Bytes game = Nes(1, 8);
    const Bytes game2 = Nes(2);
    dir.Write("plain.nes", Nes(3));
    ZipWriter pack;
    pack.Add({.name = "GAME.NES", .data = game, .deflate = true});
    pack.AddFolder("sub");
    pack.Add({.name = "sub/GAME2.NES", .data = game2, .dataDescriptor = true});
    pack.Add({.name = "README.TXT", .data = Text("Not a game.\n")});
    dir.Write("pack.zip", pack.Finish("a comment"));

    auto rows = Scan(dir.Path(), true);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"pack.zip <GAME.NES>", "pack.zip <sub/GAME2.NES>", "plain.nes"}));
    EXPECT_EQ(rows["pack.zip <GAME.NES>"][2], std::to_string(game.size()));
    EXPECT_EQ(rows["pack.zip <sub/GAME2.NES>"][2], std::to_string(game2.size()));

    // The same bytes as plain files give the same columns.
    test::TempDir plain;
    plain.Write("GAME.NES", game);
    plain.Write("GAME2.NES", game2);
    auto plainRows = Scan(plain.Path(), false);
    ExpectSameColumns(rows["pack.zip <GAME.NES>"], plainRows["GAME.NES"]);
    ExpectSameColumns(rows["pack.zip <sub/GAME2.NES>"], plainRows["GAME2.NES"]);

    EXPECT_EQ(Names(Scan(dir.Path(), false)), (std::vector<std::string>{"plain.nes"}));
}

TEST(ScanMembers, ArchivesInSubfoldersCarryTheirPrefix) {
    test::TempDir dir;
    ZipWriter pack;
    pack.Add({.name = "Deep.Nes", .data = Nes(4), .deflate = true});
    dir.Write("sub/more/Pack.ZIP", pack.Finish());
    EXPECT_EQ(Names(Scan(dir.Path(), true, true)), (std::vector<std::string>{"sub/more/Pack.ZIP <Deep.Nes>"}));
    EXPECT_TRUE(Scan(dir.Path(), true, false).empty());
}

// A member that cannot be read gives no row; the members around it are still listed.
TEST(ScanMembers, MembersThatCannotBeReadGiveNoRow) {
    struct Case {
        const char* what;
        samples::ZipMemberRecipe member;
    };
    const Bytes bad = Nes(5);
    const Case cases[] = {
        {"bad CRC", {.data = bad, .deflate = true, .local = {.crc = 0x12345678}}},
        {"unsupported method", {.data = bad, .methodOverride = 6}},
        {"encrypted", {.data = bad, .flags = 1}},
        {"damaged stream", {.data = bad, .deflated = Bytes{0x07, 0x00}}},
        {"stream too short", {.data = bad, .deflated = Bytes{0x01, 0x03, 0x00, 0xFC, 0xFF, 'N', 'E', 'S'}}},
        {"version too new", {.data = bad, .versionNeeded = 0x2D}},
        {"name the directory does not hold", {.data = bad, .directory = {.name = "OTHER.BIN"}}},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        ZipWriter pack;
        pack.Add({.name = "BEFORE.NES", .data = Nes(6)});
        samples::ZipMemberRecipe member = c.member;
        member.name = "BAD.NES";
        pack.Add(member);
        pack.Add({.name = "AFTER.NES", .data = Nes(7), .deflate = true});
        dir.Write("pack.zip", pack.Finish());
        EXPECT_EQ(Names(Scan(dir.Path(), true)), (std::vector<std::string>{"pack.zip <AFTER.NES>", "pack.zip <BEFORE.NES>"})) << c.what;
    }
}

// The member walk takes names of up to 256 characters; the reader is asked only for names of up
// to 247, so longer ones give no row either. A name over the walk's limit ends the walk.
TEST(ScanMembers, LongMemberNames) {
    struct Case {
        std::size_t length;
        bool listed;
        bool laterListed;
    };
    const Case cases[] = {{247, true, true}, {248, false, true}, {256, false, true}, {258, false, false}};
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string name = std::string(c.length - 4, 'L') + ".NES";
        ZipWriter pack;
        pack.Add({.name = name, .data = Nes(8)});
        pack.Add({.name = "LATER.NES", .data = Nes(9)});
        dir.Write("pack.zip", pack.Finish());
        std::vector<std::string> expected;
        if (c.laterListed) expected.push_back("pack.zip <LATER.NES>");
        if (c.listed) expected.push_back("pack.zip <" + name + ">");
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(Names(Scan(dir.Path(), true)), expected) << c.length;
    }
}

}  // namespace
}  // namespace vorne
