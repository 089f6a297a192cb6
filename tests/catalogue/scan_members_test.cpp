// Archive members in the scan: with the zip box ticked, the members of the kind in each folder's
// archives are read, decoded from memory and listed as "archive <member>".
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "base/crc32.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "catalogue/scan_queue.h"
#include "dat/dat_file.h"
#include "catalogue/row_hashing.h"
#include "dat/data_hasher.h"
#include "formats/reader_factory.h"
#include "images.h"
#include "platform/file.h"
#include "support/temp_dir.h"
#include "zip_writer.h"

namespace vorne {
namespace scan_members_test {
namespace {

using samples::Bytes;
using samples::ZipWriter;
using Row = std::vector<std::string>;

using Problems = std::map<std::string, std::string>;  // path -> message

// The rows of a scan by their column 1, and the problems it met.
std::map<std::string, Row> Scan(const std::string& folder, bool zipFiles, bool subfolders = false, Problems* problems = nullptr) {
    auto switches = std::make_shared<ScanSwitches>();
    switches->zipFiles = zipFiles;
    switches->subfolders = subfolders;
    Catalogue catalogue;
    catalogue.ChooseKind(RomType::Nes);
    RunScan(catalogue, {RomType::Nes, folder, switches, ""});
    std::map<std::string, Row> rows;
    for (int r = 0; r < catalogue.Model().RowCount(); ++r) {
        Row row;
        for (int c = 0; c < catalogue.ColumnCount(); ++c) row.emplace_back(catalogue.Model().Cell(r, c));
        EXPECT_TRUE(rows.emplace(row[1], row).second) << "two rows for " << row[1];
    }
    if (problems != nullptr) {
        for (const FileProblem& p : catalogue.Problems()) (*problems)[p.path] = p.message;
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

// Members are taken from the central directory, so names of every length are listed and read,
// and those after them too.
TEST(ScanMembers, LongMemberNames) {
    for (std::size_t length : {247u, 248u, 254u, 255u, 256u, 258u, 261u, 300u, 1000u}) {
        test::TempDir dir;
        std::string name = std::string(length - 4, 'L') + ".NES";
        if (length > 255) name[100] = '/';  // a folder part, as long names have
        const Bytes game = Nes(8);
        ZipWriter pack;
        pack.Add({.name = name, .data = game});
        pack.Add({.name = "LATER.NES", .data = Nes(9)});
        dir.Write("pack.zip", pack.Finish());
        std::vector<std::string> expected = {"pack.zip <LATER.NES>", "pack.zip <" + name + ">"};
        std::sort(expected.begin(), expected.end());
        Problems problems;
        auto rows = Scan(dir.Path(), true, false, &problems);
        EXPECT_EQ(Names(rows), expected) << length;
        EXPECT_EQ(rows["pack.zip <" + name + ">"][2], std::to_string(game.size())) << length;
        EXPECT_TRUE(problems.empty()) << length;
    }
}

// Members whose names differ only in case, or are equal, each give a row of their own bytes.
TEST(ScanMembers, EachMemberIsReadThroughItsOwnEntry) {
    test::TempDir dir;
    const Bytes games[] = {Nes(10), Nes(11), Nes(12), Nes(13, 2)};
    ZipWriter pack;
    pack.Add({.name = "Game.nes", .data = games[0]});
    pack.Add({.name = "GAME.NES", .data = games[1], .deflate = true});
    pack.Add({.name = "Game.nes", .data = games[2]});
    pack.Add({.name = "sub/Game.nes", .data = games[3]});
    dir.Write("pack.zip", pack.Finish());
    for (int i = 0; i < 4; ++i) dir.Write("plain/" + std::to_string(i) + ".nes", games[i]);

    Catalogue catalogue;
    catalogue.ChooseKind(RomType::Nes);
    auto switches = std::make_shared<ScanSwitches>();
    switches->zipFiles = true;
    RunScan(catalogue, {RomType::Nes, dir.Path(), switches, ""});
    std::multiset<std::string> crcs;
    for (int r = 0; r < catalogue.Model().RowCount(); ++r) crcs.insert(std::string(catalogue.Model().Cell(r, kKeyColumn)));
    std::multiset<std::string> expected;
    for (const auto& [name, row] : Scan(dir / "plain", false)) expected.insert(row[0]);
    ASSERT_EQ(expected.size(), 4u);
    EXPECT_EQ(crcs, expected);  // four different CRCs: no member read another's bytes
}

// Members whose data runs into another member or into the directory are refused, each with the
// reason, while the members around them are read.
TEST(ScanMembers, OverlappingMembersAreRefused) {
    const Bytes game = Nes(14);
    ZipWriter writer;
    writer.Add({.name = "GOOD.NES", .data = Nes(15)});
    writer.Add({.name = "BASE.NES", .data = game});
    // Ten more entries for the same local header as BASE.NES.
    const auto baseAt = static_cast<std::uint32_t>(30 + 8 + Nes(15).size());
    for (int i = 0; i < 10; ++i) {
        writer.Add({.name = "COPY" + std::to_string(i) + ".NES", .data = game, .localHeaderOffset = baseAt, .directoryOnly = true});
    }
    writer.Add({.name = "LAST.NES", .data = Nes(16)});
    test::TempDir dir;
    dir.Write("bomb.zip", writer.Finish());
    Problems problems;
    auto rows = Scan(dir.Path(), true, false, &problems);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"bomb.zip <GOOD.NES>", "bomb.zip <LAST.NES>"}));
    EXPECT_EQ(problems.size(), 11u);
    EXPECT_EQ(problems["bomb.zip <BASE.NES>"], "Error in zipfile bomb.zip: file BASE.NES overlaps another member or the central directory");
    EXPECT_EQ(problems["bomb.zip <COPY9.NES>"], "Error in zipfile bomb.zip: file COPY9.NES overlaps another member or the central directory");
}

// Zip64 archives and archives behind a prefix list their members as any other.
TEST(ScanMembers, Zip64AndPrefixedArchives) {
    const Bytes game = Nes(17);
    const Bytes stub(1000, 0x90);
    struct Case {
        const char* what;
        samples::ZipMemberRecipe member;
        samples::ZipLayout layout;
    };
    const Case cases[] = {
        {"zip64 in the local header, 4.5 needed", {.deflate = true, .versionNeeded = 45, .zip64Local = true}, {}},
        {"zip64 everywhere", {.versionNeeded = 45, .zip64Local = true, .zip64Directory = true}, {.zip64End = true}},
        {"behind a prefix", {.deflate = true}, {.prefix = stub}},
        {"behind a prefix its offsets count", {.deflate = true}, {.prefix = stub, .offsetsCountPrefix = true}},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        samples::ZipMemberRecipe member = c.member;
        member.name = "GAME.NES";
        member.data = game;
        ZipWriter pack;
        pack.Add(member);
        pack.Add({.name = "LATER.NES", .data = Nes(18)});
        dir.Write("pack.zip", pack.Finish("", {}, c.layout));
        Problems problems;
        auto rows = Scan(dir.Path(), true, false, &problems);
        EXPECT_EQ(Names(rows), (std::vector<std::string>{"pack.zip <GAME.NES>", "pack.zip <LATER.NES>"})) << c.what;
        EXPECT_EQ(rows["pack.zip <GAME.NES>"][2], std::to_string(game.size())) << c.what;
        EXPECT_TRUE(problems.empty()) << c.what;
    }
}

// An empty archive gives no row and no problem; one without a directory names each of its
// members of the kind as a problem, with the reason.
TEST(ScanMembers, EmptyArchivesAndArchivesWithoutDirectory) {
    test::TempDir dir;
    dir.Write("empty.zip", ZipWriter().Finish());
    ZipWriter pack;
    pack.Add({.name = "GAME.NES", .data = Nes(19)});
    pack.Add({.name = "README.TXT", .data = Text("text")});
    Bytes cut = pack.Finish();
    cut.resize(cut.size() - 22);  // no end record
    dir.Write("cut.zip", cut);
    Problems problems;
    EXPECT_TRUE(Scan(dir.Path(), true, false, &problems).empty());
    EXPECT_EQ(problems, (Problems{{"cut.zip <GAME.NES>", "Error in zipfile cut.zip: couldn't find 'end of central dir' signature"}}));
}

// A member's extension is the text after the last dot of its whole name, folders and all.
TEST(ScanMembers, ExtensionsAfterTheLastDot) {
    const std::pair<const char*, bool> cases[] = {
        {"game.NES", true},    {"game.nes", true},   {"game.Nes", true},       {".nes", true},
        {"sub/game.nes", true}, {"nes", true},       {"game.nes.txt", false},  {"dir.nes/readme", false},
        {"noext", false},      {"game.nes/", false}, {"game.ness", false},     {"game.ne", false},
        {"game.unf", false},   {"game.unif", false}, {"game.fds", false},      {"game.", false},
        {"game.v1.nes", true}, {"game.nes.v1", false},
    };
    for (const auto& [name, belongs] : cases) EXPECT_EQ(MemberBelongsToKind(name, RomType::Nes), belongs) << name;
    EXPECT_TRUE(MemberBelongsToKind("GAME.GB", RomType::Gameboy));
    EXPECT_TRUE(MemberBelongsToKind("pack.zip", RomType::Zip));
    EXPECT_FALSE(MemberBelongsToKind("GAME.GB", RomType::Nes));

    // The same names as members of one archive, all holding an NES image.
    test::TempDir dir;
    ZipWriter pack;
    std::vector<std::string> listed;
    int seed = 30;
    for (const auto& [name, belongs] : cases) {
        if (std::string(name).ends_with('/')) continue;
        pack.Add({.name = name, .data = Nes(static_cast<std::uint32_t>(seed++))});
        if (belongs) listed.push_back(std::string("pack.zip <") + name + ">");
    }
    dir.Write("pack.zip", pack.Finish());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(Names(Scan(dir.Path(), true)), listed);
}

// The Zip kind lists every member from the central directory: names that once ended its walk,
// zip64 sizes, archives behind a prefix; an empty archive lists nothing and is no problem.
TEST(ScanMembers, ZipKindListsFromTheDirectory) {
    test::TempDir dir;
    const Bytes data = samples::Filler(3000, 5);
    const std::string high = "\xC3\x89" "clair.nes";
    const std::string longName = std::string(200, 'd') + "/" + std::string(100, 'f') + ".nes";
    ZipWriter names;
    names.Add({.name = "first.nes", .data = data});
    names.Add({.name = high, .data = data});
    names.Add({.name = longName, .data = data, .deflate = true});
    names.Add({.name = "last.nes", .data = data});
    dir.Write("names.zip", names.Finish());
    ZipWriter wide;
    wide.Add({.name = "wide.nes", .data = data, .deflate = true, .versionNeeded = 45, .zip64Local = true});
    wide.Add({.name = "after.nes", .data = data});
    dir.Write("wide.zip", wide.Finish());
    ZipWriter behind;
    behind.Add({.name = "sfx.nes", .data = data});
    dir.Write("sfx.zip", behind.Finish("", {}, {.prefix = Bytes(500, 0x90)}));
    dir.Write("empty.zip", ZipWriter().Finish());

    Catalogue catalogue;
    catalogue.ChooseKind(RomType::Zip);
    RunScan(catalogue, {RomType::Zip, dir.Path(), std::make_shared<ScanSwitches>(), ""});
    std::map<std::string, Row> rows;
    for (int r = 0; r < catalogue.Model().RowCount(); ++r) {
        Row row;
        for (int c = 0; c < catalogue.ColumnCount(); ++c) row.emplace_back(catalogue.Model().Cell(r, c));
        rows[row[1]] = row;
    }
    EXPECT_TRUE(catalogue.Problems().empty());
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"names.zip <" + longName + ">", "names.zip <first.nes>", "names.zip <last.nes>",
                                                     "names.zip <" + high + ">", "sfx.zip <sfx.nes>", "wide.zip <after.nes>",
                                                     "wide.zip <wide.nes>"}));
    const std::string crc = std::to_string(Crc32(data));
    for (const auto& [name, row] : rows) {
        EXPECT_EQ(row[0], crc) << name;
        EXPECT_EQ(row[3], "3000") << name;
    }
    EXPECT_NE(rows["wide.zip <wide.nes>"][2], "4294967295");
}

// A member's hashes are taken as it streams out of inflate, in the layout its reader finds from
// its first bytes; they must be those of the same file on disk, for every kind and layout, with a
// DAT of whole (headered) files too, whose SHA-1 comes from the same pass.
TEST(ScanMembers, StreamedMembersHashAsTheSameFilesOnDisk) {
    const Bytes genesis = samples::MakeGenesis({});
    const Bytes x32 = samples::MakeGenesis({.is32X = true, .size = 1 << 20});
    const Bytes n64 = samples::MakeN64({.size = 1 << 20});
    Bytes n64Little = n64;
    for (std::size_t i = 0; i + 3 < n64Little.size(); i += 4) {
        std::swap(n64Little[i], n64Little[i + 3]);
        std::swap(n64Little[i + 1], n64Little[i + 2]);
    }
    const struct {
        std::string label;
        RomType type;
        Bytes file;
    } cases[] = {
        {"nes with a title trailer", RomType::Nes, samples::MakeNes({.prgBanks = 8, .trailer = std::string(128, 'T')})},
        {"snes behind a copier header", RomType::Snes, samples::MakeSnes({.copierHeader = true})},
        {"snes headerless", RomType::Snes, samples::MakeSnes({.hiRom = true})},
        {"genesis linear", RomType::Genesis, genesis},
        {"genesis interleaved", RomType::Genesis, samples::Interleave(genesis, 8192, true)},
        {"32x interleaved", RomType::Genesis32X, samples::Interleave(x32, 0x80000, false)},
        {"n64 big-endian", RomType::N64, n64},
        {"n64 byte-swapped", RomType::N64, samples::MakeN64({.size = 1 << 20, .byteSwapped = true})},
        {"n64 little-endian", RomType::N64, n64Little},
        {"game boy", RomType::Gameboy, samples::MakeGameboy({.copierHeader = true})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        test::TempDir dir;
        const std::string name = "rom." + std::string(Kind(c.type).extensions[0]);
        dir.Write("plain/" + name, c.file);
        ZipWriter pack;
        pack.Add({.name = name, .data = c.file, .deflate = true});
        dir.Write("zipped/pack.zip", pack.Finish());
        const FileHashes whole = HashBytes(c.file, {0, static_cast<std::int64_t>(c.file.size())}, {});
        const std::string dat = "<datafile><game name=\"Whole\"><rom name=\"w\" size=\"" + std::to_string(c.file.size()) +
                                "\" crc=\"" + CrcText(whole.data.crc) + "\" sha1=\"" + HexText(*whole.data.sha1) +
                                "\"/></game></datafile>";
        const std::string datPath = dir.Write("whole.dat", Text(dat));
        for (const bool withDat : {false, true}) {
            std::vector<CatalogRow> rows;
            for (const char* folder : {"plain", "zipped"}) {
                auto switches = std::make_shared<ScanSwitches>();
                switches->zipFiles = true;
                ScanRequest request{c.type, dir / folder, switches, ""};
                request.hashData = !withDat;
                if (withDat) request.dat = LoadDatSet(datPath);
                Catalogue catalogue;
                catalogue.ChooseKind(c.type);
                catalogue.SetDat(request.dat);
                RunScan(catalogue, request);
                ASSERT_EQ(catalogue.Model().RowCount(), 1) << folder;
                rows.push_back(catalogue.Model().Row(0));
            }
            ASSERT_TRUE(rows[0].hashes && rows[1].hashes);
            EXPECT_EQ(rows[1].hashes, rows[0].hashes);
            if (withDat) {
                EXPECT_EQ(rows[0].dat.verdict, DatVerdict::Match);
                EXPECT_EQ(rows[1].dat.verdict, DatVerdict::Match);
            }
        }
    }
}

// A file over the size read into memory goes by in chunks that the reader and the hashes share;
// its hashes are those of the same bytes hashed on their own.
TEST(ScanMembers, ALargeFileHashesInOnePass) {
    test::TempDir dir;
    const std::string path = dir.Write("big/rom.smc", samples::MakeSnes({.copierHeader = true}));
    const std::int64_t length = kWholeReadLimit + 8192 + 512;  // still a copier header's length
    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(length));
    auto reader = CreateReader(RomType::Snes, nullptr);
    File file = File::OpenRead(path);
    reader->LoadFile(file, path);
    const FileHashes expected = HashFile(file, length, reader->DataForHashing(), {});
    ScanRequest request{RomType::Snes, dir / "big", std::make_shared<ScanSwitches>(), ""};
    request.hashData = true;
    Catalogue catalogue;
    catalogue.ChooseKind(RomType::Snes);
    RunScan(catalogue, request);
    ASSERT_EQ(catalogue.Model().RowCount(), 1);
    const auto& hashes = catalogue.Model().Row(0).hashes;
    ASSERT_TRUE(hashes);
    EXPECT_EQ(hashes->size, expected.data.size);
    EXPECT_EQ(hashes->size, static_cast<std::uint64_t>(length - 512));
    EXPECT_EQ(hashes->crc, expected.data.crc);
    EXPECT_EQ(hashes->sha1, expected.data.sha1);
}

}  // namespace
}  // namespace scan_members_test
}  // namespace vorne
