#include "archive/zip_reader.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>

#include "base/crc32.h"
#include "base/text_rules.h"
#include "images.h"
#include "support/address_space.h"
#include "support/temp_dir.h"
#include "zip_writer.h"
#include "support/zlib_deflate.h"

namespace vorne {
namespace zip_reader_test {
namespace {

using samples::Bytes;
using samples::ZipMemberRecipe;
using samples::ZipWriter;
using Lines = std::vector<std::string>;

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

struct Outcome {
    ZipResult result = ZipResult::Ok;
    InflateResult inflate = InflateResult::Ok;
    Bytes data;   // left as the caller had it on failure
    Lines lines;  // the diagnostic lines, in order
};

const Bytes kUntouched{0xEE, 0xEE};

MemberData Untouched() {
    MemberData data;
    data.Allocate(kUntouched.size());
    std::copy(kUntouched.begin(), kUntouched.end(), data.Room().begin());
    return data;
}

// Reads `name` from the archive four ways: the one-shot ReadMember, an opened archive through
// each decoding path, and its stream (not for a member too large to be read whole). All must
// agree on the result, the bytes and the lines.
Outcome Read(const Bytes& archive, std::string_view name, bool stream = true) {
    test::TempDir dir;
    const std::string path = dir.Write("a.zip", archive);
    const int ways = stream ? 4 : 3;
    Outcome outcomes[4];
    for (int way = 0; way < ways; ++way) {
        Outcome& o = outcomes[way];
        MemberData data = Untouched();
        ZipStatus status;
        if (way == 0) {
            status = ReadMember(path, name, data);
        } else if (way == 3) {
            auto zip = ZipArchive::Open(path, status);
            if (zip && zip->Directory().endFound) {
                Bytes streamed;
                auto stream = zip->StreamMember(name, status);
                if (stream) status = stream->Run([&](std::span<const std::uint8_t> piece) { streamed.insert(streamed.end(), piece.begin(), piece.end()); });
                if (status.Ok()) {
                    data.Allocate(streamed.size());
                    std::copy(streamed.begin(), streamed.end(), data.Room().begin());
                }
            }
        } else {
            auto zip = ZipArchive::Open(path, status);
            if (zip && zip->Directory().endFound) {
                ZipStatus read = zip->ReadMember(name, data, {.path = way == 1 ? InflatePath::Direct : InflatePath::Window});
                read.lines.insert(read.lines.begin(), status.lines.begin(), status.lines.end());
                status = read;
            }
        }
        o.result = status.result;
        o.inflate = status.inflate;
        o.lines = status.lines;
        o.data = data.ToVector();
        if (o.result != ZipResult::Ok) {
            EXPECT_EQ(o.data, kUntouched) << "way " << way;
        }
    }
    for (int way = 1; way < ways; ++way) {
        EXPECT_EQ(outcomes[way].result, outcomes[0].result) << "way " << way;
        EXPECT_EQ(outcomes[way].inflate, outcomes[0].inflate) << "way " << way;
        EXPECT_EQ(outcomes[way].data, outcomes[0].data) << "way " << way;
        EXPECT_EQ(outcomes[way].lines, outcomes[0].lines) << "way " << way;
    }
    return outcomes[0];
}

Bytes OneMember(ZipMemberRecipe member, const std::string& comment = "", const samples::ZipEndOverrides& end = {}) {
    ZipWriter zip;
    zip.Add(std::move(member));
    return zip.Finish(comment, end);
}

const Lines kNoEndRecord = {"Error in zipfile a.zip: couldn't find 'end of central dir' signature\n",
                            "Error reading 'end of central directory' in zipfile a.zip\n"};
const Lines kSpansDisks = {"Unsupported zipfile a.zip: zipfile cannot span disks\n"};
const Lines kNoMembers = {"Empty zipfile a.zip: zipfile holds no members\n"};

// Reading members that are whole: stored, deflated by us and by zlib, behind data descriptors
// with and without their signature, with extra fields and comments of differing lengths in the
// local header and the directory, of 0 bytes and of several windows' worth.
TEST(ZipReader, ReadsWholeMembersExactly) {
    const Bytes rom = samples::MakeNes({.prgBanks = 8, .chrBanks = 4, .seed = 3});
    const Bytes zeros(100 * 1024, 0);
    const Bytes text = Text("A line of text, and another line of text.\n");
    struct Case {
        const char* what;
        ZipMemberRecipe member;
    };
    const Case cases[] = {
        {"stored", {.data = text}},
        {"stored empty", {.data = {}}},
        {"deflated empty", {.data = {}, .deflate = true}},
        {"deflated by us", {.data = rom, .deflate = true}},
        {"zlib level 1", {.data = rom, .deflated = test::ZlibDeflateRaw(rom, 1)}},
        {"zlib level 9", {.data = rom, .deflated = test::ZlibDeflateRaw(rom, 9)}},
        {"zlib zeros", {.data = zeros, .deflated = test::ZlibDeflateRaw(zeros, 6)}},
        {"zlib empty", {.data = {}, .deflated = test::ZlibDeflateRaw({}, 6)}},
        {"stored, descriptor", {.data = rom, .dataDescriptor = true}},
        {"deflated, descriptor", {.data = rom, .dataDescriptor = true, .deflated = test::ZlibDeflateRaw(rom, 6)}},
        {"descriptor without signature", {.data = text, .deflate = true, .dataDescriptor = true, .descriptorSignature = false}},
        {"empty behind a descriptor", {.data = {}, .dataDescriptor = true}},
        {"local extra field", {.data = text, .deflate = true, .local = {.extra = Bytes(37, 0x55)}, .directory = {.extra = Bytes(4, 0)}}},
        {"entry comment", {.data = text, .comment = "a comment on the entry"}},
        {"version 0x14", {.data = text, .versionNeeded = 0x14}},
        {"version 0x0A", {.data = text, .versionNeeded = 0x0A}},
    };
    for (const Case& c : cases) {
        ZipMemberRecipe member = c.member;
        member.name = "dir/MEMBER.BIN";
        const Bytes expected = member.data;
        Outcome o = Read(OneMember(member, "archive comment"), "member.bin");
        EXPECT_EQ(o.result, ZipResult::Ok) << c.what;
        EXPECT_EQ(o.lines, Lines{}) << c.what;
        EXPECT_EQ(o.data.size(), expected.size()) << c.what;
        EXPECT_TRUE(o.data == expected) << c.what;
    }
}

// The end record is searched for from the last place a whole record fits, back as far as the
// longest comment allows; the hit nearest the end wins.
TEST(ZipReader, FindsTheEndRecord) {
    ZipWriter zip;
    zip.Add({.name = "X.BIN", .data = Text("data")});
    const Bytes plain = zip.Finish();
    auto withTail = [&](std::size_t junk) {
        Bytes b = plain;
        b.insert(b.end(), junk, 'j');
        return b;
    };
    // A complete end record, inside the comment, that counts no entries.
    std::string fake = "PK\x05\x06";
    fake += std::string(18, '\0');
    struct Case {
        const char* what;
        Bytes archive;
        ZipResult result;
        Lines lines;
    };
    const Case cases[] = {
        {"empty file", {}, ZipResult::NoEndRecord, kNoEndRecord},
        {"21 bytes", Bytes(plain.end() - 21, plain.end()), ZipResult::NoEndRecord, kNoEndRecord},
        {"the bare record",
         Bytes(plain.end() - 22, plain.end()),
         ZipResult::Failed,
         {"Error in zipfile a.zip: couldn't fseek to start of central directory\n", "Could not find X.BIN in zipfile a.zip\n"}},
        {"4,074 comment bytes", zip.Finish(std::string(4074, 'c')), ZipResult::Ok, {}},
        {"4,075 comment bytes", zip.Finish(std::string(4075, 'c')), ZipResult::Ok, {}},
        {"8,171 comment bytes", zip.Finish(std::string(8171, 'c')), ZipResult::Ok, {}},
        {"a record in a long comment, far from the end",
         zip.Finish(fake + std::string(9000, 'c')), ZipResult::Failed, kNoMembers},
        {"longest comment", zip.Finish(std::string(65535, 'c')), ZipResult::Ok, {}},
        {"record as far back as it can be", withTail(65535), ZipResult::Ok, {}},
        {"record one byte too far back", withTail(65536), ZipResult::NoEndRecord, kNoEndRecord},
        {"record in the comment wins", zip.Finish("before " + fake + " after"), ZipResult::Failed, kNoMembers},
        {"signature too near the end for a record", zip.Finish(std::string(30, 'c') + "PK\x05\x06" + "123456789"), ZipResult::Ok, {}},
    };
    for (const Case& c : cases) {
        Outcome o = Read(c.archive, "x.bin");
        EXPECT_EQ(o.result, c.result) << c.what;
        EXPECT_EQ(o.lines, c.lines) << c.what;
        if (c.result == ZipResult::Ok) {
            EXPECT_EQ(o.data, Text("data")) << c.what;
        }
    }
}

TEST(ZipReader, RefusesMultiVolumeAndEmptyArchives) {
    struct Case {
        const char* what;
        samples::ZipEndOverrides end;
        Lines lines;
    };
    const Case cases[] = {
        {"this disk 1", {.thisDisk = 1}, kSpansDisks},
        {"directory on disk 1", {.directoryDisk = 1}, kSpansDisks},
        {"entries on other disks", {.thisDisk = 2, .directoryDisk = 2, .entriesOnDisk = 1, .totalEntries = 2}, kSpansDisks},
        {"entries counted apart", {.entriesOnDisk = 0, .totalEntries = 1}, kSpansDisks},
        // No entries and no directory is an empty archive, not a multi-volume one.
        {"no entries", {.entriesOnDisk = 0, .totalEntries = 0, .directorySize = 0}, kNoMembers},
    };
    for (const Case& c : cases) {
        Outcome o = Read(OneMember({.name = "X.BIN", .data = Text("data")}, "", c.end), "x.bin");
        EXPECT_EQ(o.result, ZipResult::Failed) << c.what;
        EXPECT_EQ(o.lines, c.lines) << c.what;
    }
    // An archive written with no members at all: its end record alone.
    EXPECT_EQ(Read(ZipWriter().Finish(), "x.bin").lines, kNoMembers);
    // Both disk numbers equal and not 0: a single volume, read as any other.
    EXPECT_EQ(Read(OneMember({.name = "X.BIN", .data = Text("data"), .startDisk = 3}, "", {.thisDisk = 3, .directoryDisk = 3}), "x.bin").result,
              ZipResult::Ok);
}

TEST(ZipReader, MatchesNamesWithoutRegardToCase) {
    const std::string longName = std::string(243, 'n') + ".BIN";   // 247 characters
    const std::string tooLong = std::string(244, 'n') + ".BIN";    // 248
    const std::string deep = std::string(260, 'd') + "/LATE.NES";  // its last component beyond 254 characters
    // Cut at 254 characters this name would end in "/ZEL".
    const std::string cut = std::string(250, 'P') + "/zelda.nes";
    const std::string veryLong = std::string(296, 'v') + ".NES";
    ZipWriter zip;
    zip.Add({.name = "Roms/NES/Game.NES", .data = Text("first by component")});
    zip.Add({.name = "ROMS/GAME.NES", .data = Text("exact path")});
    zip.Add({.name = "Other/game.nes", .data = Text("second by component")});
    zip.AddFolder("Docs");
    zip.Add({.name = "Docs/Readme.txt", .data = Text("readme")});
    zip.Add({.name = longName, .data = Text("long")});
    zip.Add({.name = tooLong, .data = Text("too long")});
    zip.Add({.name = deep, .data = Text("deep")});
    zip.Add({.name = cut, .data = Text("cut")});
    zip.Add({.name = veryLong, .data = Text("very long")});
    const Bytes archive = zip.Finish();
    struct Case {
        std::string wanted;
        const char* content;  // nullptr: not found
    };
    const Case cases[] = {
        {"roms/game.nes", "exact path"},
        {"roms/nes/game.nes", "first by component"},
        {"nes/game.nes", nullptr},      // a folder part must match whole
        {"/game.nes", nullptr},
        {"other/GAME.nes", "second by component"},
        {"readme.txt", "readme"},
        {"docs", nullptr},              // a folder entry never matches by its last component
        {"docs/", ""},                  // but it does by its whole name
        {"game", nullptr},
        {longName, "long"},
        // Names are compared whole, however long.
        {tooLong, "too long"},
        {"late.nes", "deep"},
        {"zel", nullptr},
        {"zelda.nes", "cut"},
        {"zelda.ne", nullptr},
        {veryLong, "very long"},
        {ToUpperAscii(cut), "cut"},
    };
    for (const Case& c : cases) {
        Outcome o = Read(archive, c.wanted);
        if (c.content == nullptr) {
            EXPECT_EQ(o.result, ZipResult::Failed) << c.wanted;
            // Lines are cut to 255 characters.
            const std::string line = "Could not find " + ToUpperAscii(c.wanted) + " in zipfile a.zip\n";
            EXPECT_EQ(o.lines, Lines{line.substr(0, 255)}) << c.wanted;
        } else {
            EXPECT_EQ(o.result, ZipResult::Ok) << c.wanted;
            EXPECT_EQ(o.data, Text(c.content)) << c.wanted;
        }
    }
    // A bare name that members in several folders bear picks none of them.
    for (const char* wanted : {"game.nes", "GAME.NES"}) {
        Outcome o = Read(archive, wanted);
        EXPECT_EQ(o.result, ZipResult::Failed) << wanted;
        EXPECT_EQ(o.lines, (Lines{"Error in zipfile a.zip: GAME.NES is in several folders; name one of these whole:\n",
                                  "  Roms/NES/Game.NES\n", "  ROMS/GAME.NES\n", "  Other/game.nes\n"}));
    }
}

// Of entries whose names differ only in case, or are equal, the one of exactly the wanted name
// is read; then the first in directory order.
TEST(ZipReader, TheExactNameComesFirst) {
    ZipWriter zip;
    zip.Add({.name = "Game.nes", .data = Text("mixed")});
    zip.Add({.name = "GAME.NES", .data = Text("upper")});
    zip.Add({.name = "game.nes", .data = Text("lower")});
    zip.Add({.name = "sub/game.nes", .data = Text("in a folder")});
    zip.Add({.name = "SAME.NES", .data = Text("first same")});
    zip.Add({.name = "SAME.NES", .data = Text("second same")});
    const Bytes archive = zip.Finish();
    const std::pair<const char*, const char*> cases[] = {
        {"Game.nes", "mixed"},       {"GAME.NES", "upper"}, {"game.nes", "lower"},
        {"gAME.NES", "mixed"},       {"SAME.NES", "first same"}, {"same.nes", "first same"},
        {"sub/game.nes", "in a folder"}, {"SUB/GAME.NES", "in a folder"},
    };
    for (const auto& [wanted, content] : cases) {
        Outcome o = Read(archive, wanted);
        EXPECT_EQ(o.result, ZipResult::Ok) << wanted;
        EXPECT_EQ(o.data, Text(content)) << wanted;
    }
    // An exact match that cannot be read fails the read: no other is handed over instead.
    ZipWriter refused;
    refused.Add({.name = "game.nes", .data = Text("lower")});
    refused.Add({.name = "GAME.NES", .data = Text("upper"), .versionNeeded = 0x15});
    Outcome o = Read(refused.Finish(), "GAME.NES");
    EXPECT_EQ(o.result, ZipResult::Failed);
    EXPECT_EQ(o.lines, (Lines{"Error in zipfile a.zip: version for file GAME.NES too new.\n", "Version: $15 must be $14 or less\n"}));
}

// Every entry reads its own bytes through its index, whatever its name shares with others.
TEST(ZipReader, EntriesReadByIndex) {
    ZipWriter zip;
    const char* const contents[] = {"mixed", "upper", "first same", "second same", "refused", "deflated"};
    zip.Add({.name = "Game.nes", .data = Text(contents[0])});
    zip.Add({.name = "GAME.NES", .data = Text(contents[1])});
    zip.Add({.name = "SAME.NES", .data = Text(contents[2])});
    zip.Add({.name = "SAME.NES", .data = Text(contents[3])});
    zip.Add({.name = "SAME.NES", .data = Text(contents[4]), .methodOverride = 6});
    zip.Add({.name = "SAME.NES", .data = Text(contents[5]), .deflate = true});
    test::TempDir dir;
    ZipStatus opened;
    auto archive = ZipArchive::Open(dir.Write("a.zip", zip.Finish()), opened);
    ASSERT_TRUE(opened.Ok());
    ASSERT_EQ(archive->Entries().size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        MemberData data;
        ZipStatus status = archive->ReadEntry(i, data);
        if (i == 4) {
            EXPECT_EQ(status.lines, (Lines{"Error in zipfile a.zip: compression method for file SAME.NES unsupported.\n",
                                           "Method: $0006  must be $0000 (Stored) or $0008 (Deflated)\n"}));
            EXPECT_EQ(status.result, ZipResult::Failed);
            continue;
        }
        EXPECT_TRUE(status.Ok()) << i;
        EXPECT_EQ(data.ToVector(), Text(contents[i])) << i;
    }
    MemberData data;
    EXPECT_EQ(archive->ReadEntry(6, data).result, ZipResult::Failed);
}

// A member of exactly the wanted name is read even when another folder's member of that file name
// comes first in the directory.
TEST(ZipReader, TheWholeNameComesBeforeALastComponent) {
    ZipWriter zip;
    zip.Add({.name = "sub/GAME.NES", .data = Text("in a folder")});
    zip.Add({.name = "GAME.NES", .data = Text("at the top")});
    zip.Add({.name = "sub/OTHER.NES", .data = Text("other")});
    const Bytes archive = zip.Finish();
    EXPECT_EQ(Read(archive, "GAME.NES").data, Text("at the top"));
    EXPECT_EQ(Read(archive, "game.nes").data, Text("at the top"));
    EXPECT_EQ(Read(archive, "sub/game.nes").data, Text("in a folder"));
    EXPECT_EQ(Read(archive, "other.nes").data, Text("other"));
}

// A matching entry that fails a check fails the read with its diagnostics, though a later entry
// of a like name could be read.
TEST(ZipReader, AnEntryThatFailsItsChecksFailsTheRead) {
    const std::string refusedMethod = "Error in zipfile a.zip: compression method for file GAME.NES unsupported.\n";
    struct Case {
        const char* what;
        ZipMemberRecipe first;
        Lines lines;
    };
    const Case cases[] = {
        {"method 6", {.directory = {.method = 6}}, {refusedMethod, "Method: $0006  must be $0000 (Stored) or $0008 (Deflated)\n"}},
        {"method 12", {.methodOverride = 12}, {refusedMethod, "Method: $000c  must be $0000 (Stored) or $0008 (Deflated)\n"}},
        {"version 0x15",
         {.versionNeeded = 0x15},
         {"Error in zipfile a.zip: version for file GAME.NES too new.\n", "Version: $15 must be $14 or less\n"}},
        {"upper version byte",
         {.versionNeededUpper = 3},
         {"Error in zipfile a.zip: OS for file GAME.NES not supported.\n", "OS: $03 must be $00\n"}},
        {"another disk", {.startDisk = 1}, {"Error in zipfile a.zip: zipfile cannot span disks\n"}},
        {"encrypted", {.flags = 1}, {"Error in zipfile a.zip: file GAME.NES is encrypted.\n"}},
        {"every check at once",
         {.flags = 1, .directory = {.method = 9}, .versionNeeded = 0x2D, .versionNeededUpper = 1, .startDisk = 2},
         {refusedMethod, "Method: $0009  must be $0000 (Stored) or $0008 (Deflated)\n",
          "Error in zipfile a.zip: version for file GAME.NES too new.\n", "Version: $2d must be $14 or less\n",
          "Error in zipfile a.zip: OS for file GAME.NES not supported.\n", "OS: $01 must be $00\n",
          "Error in zipfile a.zip: zipfile cannot span disks\n", "Error in zipfile a.zip: file GAME.NES is encrypted.\n"}},
    };
    const Bytes good = samples::Filler(3000, 9);
    for (const Case& c : cases) {
        ZipMemberRecipe first = c.first;
        first.name = "GAME.NES";
        first.data = Text("the refused one");
        for (bool later : {true, false}) {
            ZipWriter zip;
            zip.Add(first);
            if (later) zip.Add({.name = "sub/Game.nes", .data = good, .deflate = true});
            Outcome o = Read(zip.Finish(), "game.nes");
            EXPECT_EQ(o.result, ZipResult::Failed) << c.what;
            EXPECT_EQ(o.lines, c.lines) << c.what << (later ? ", with a later entry" : "");
        }
    }
}

// Faults in what the directory points at, and in the data itself: each fails the read with its
// diagnostics, and the caller's buffer is left as it was.
TEST(ZipReader, DamagedMembersFailTheRead) {
    const Bytes text = Text("Some member text, long enough to be worth deflating: text text text text.");
    const Bytes deflatedText = test::ZlibDeflateRaw(text, 6);
    const auto csize = static_cast<std::uint32_t>(deflatedText.size());
    const auto usize = static_cast<std::uint32_t>(text.size());
    const std::string noLocal = "Error reading 'local file header' in zipfile a.zip\n";
    const std::string deflatedLine = "Could not create input buffer for zipfile a.zip\n";
    const std::string storedLine = "Couldn't extract uncompressed file from zipfile a.zip\n";
    auto deflated = [&](samples::ZipFieldOverrides local) {
        return ZipMemberRecipe{.data = text, .deflated = deflatedText, .local = std::move(local)};
    };
    auto stored = [&](samples::ZipFieldOverrides local) { return ZipMemberRecipe{.data = text, .local = std::move(local)}; };
    // The length of an archive holding one such member named M.BIN, for offsets near its end.
    const auto length = static_cast<std::uint32_t>(OneMember({.name = "M.BIN", .data = text}).size());

    struct Case {
        const char* what;
        ZipMemberRecipe member;
        ZipResult result;
        Lines lines;
        InflateResult inflate = InflateResult::Ok;
    };
    const Case cases[] = {
        {"local method 6",
         deflated({.method = 6}),
         ZipResult::Failed,
         {"Error in zipfile a.zip: compression method for file M.BIN unsupported.\n",
          "Method: $0006  must be $0000 (Stored) or $0008 (Deflated)\n"}},
        {"no local signature",
         stored({.signature = 0x04034B51}),
         ZipResult::Failed,
         {"Error in zipfile a.zip: no local file header for file M.BIN\n", noLocal}},
        {"local header flags encryption", stored({.flags = 1}), ZipResult::Failed, {"Error in zipfile a.zip: file M.BIN is encrypted.\n"}},
        {"local header past the end",
         {.data = text, .localHeaderOffset = length},
         ZipResult::Failed,
         {"Error in zipfile a.zip: couldn't fseek to local file header\n", noLocal}},
        {"local header cut short by the end",
         {.data = text, .localHeaderOffset = length - 29},
         ZipResult::Failed,
         {"Error in zipfile a.zip: couldn't read 29 bytes from local file header", noLocal}},
        {"stored, uncompressed size larger",
         stored({.uncompressedSize = usize + 1}),
         ZipResult::Failed,
         {"Error in zipfile a.zip: file M.BIN cannot be " + std::to_string(usize + 1) + " bytes long\n"}},
        {"stored, uncompressed size smaller",
         stored({.uncompressedSize = usize - 1}),
         ZipResult::Failed,
         {"Error in zipfile a.zip: stored file M.BIN has sizes " + std::to_string(usize) + " and " + std::to_string(usize - 1) + "\n"}},
        {"deflated, more than any stream could give",
         deflated({.uncompressedSize = csize * 1032 + 259}),
         ZipResult::Failed,
         {"Error in zipfile a.zip: file M.BIN cannot be " + std::to_string(csize * 1032 + 259) + " bytes long\n"}},
        {"deflated, above 2 GiB",
         deflated({.compressedSize = 3'000'000, .uncompressedSize = 0x80000001u}),
         ZipResult::Failed,
         {"Error in zipfile a.zip: file M.BIN cannot be 2147483649 bytes long\n"}},
        {"deflated data past the end",
         deflated({.compressedSize = csize + 200}),
         ZipResult::Failed,
         {"Error in zipfile a.zip: couldn't read " + std::to_string(csize + 200) + " bytes of compressed data\n", deflatedLine}},
        {"stored data past the end",
         stored({.compressedSize = 100'000, .uncompressedSize = 100'000}),
         ZipResult::Failed,
         {"Error in zipfile a.zip: couldn't read 100000 bytes of compressed data\n", storedLine}},
        {"stream gives fewer bytes",
         deflated({.uncompressedSize = usize + 1}),
         ZipResult::Failed,
         {"Error in zipfile a.zip: file M.BIN inflates to fewer bytes than its header says\n"}},
        {"stream gives more bytes",
         deflated({.uncompressedSize = usize - 1}),
         ZipResult::Failed,
         {"Error in zipfile a.zip: file M.BIN inflates to more bytes than its header says\n"}},
        {"bad CRC, stored", stored({.crc = Crc32(text) ^ 1}), ZipResult::Failed, {"Error in zipfile a.zip: CRC-32 of file M.BIN does not match\n"}},
        {"bad CRC, deflated", deflated({.crc = 0}), ZipResult::Failed, {"Error in zipfile a.zip: CRC-32 of file M.BIN does not match\n"}},
        {"bad CRC in the directory, behind a descriptor",
         {.data = text, .dataDescriptor = true, .deflated = deflatedText, .directory = {.crc = Crc32(text) + 1}},
         ZipResult::Failed,
         {"Error in zipfile a.zip: CRC-32 of file M.BIN does not match\n"}},
        {"zero sizes in the local header, no descriptor, stored",
         stored({.compressedSize = 0, .uncompressedSize = 0}),
         ZipResult::Failed,
         {"Error in zipfile a.zip: CRC-32 of file M.BIN does not match\n"}},
        {"zero sizes in the local header, no descriptor, deflated",
         deflated({.compressedSize = 0, .uncompressedSize = 0}),
         ZipResult::InflateFailed,
         {"Error 1 inflating compressed file from zipfile a.zip\n"},
         InflateResult::InvalidData},
        {"block type 3",
         {.data = text, .deflated = Bytes{0x07, 0, 0, 0}},
         ZipResult::InflateFailed,
         {"Error 2 inflating compressed file from zipfile a.zip\n"},
         InflateResult::InvalidBlockTypeOrOversubscribed},
        {"stored block with a bad length check",
         {.data = text, .deflated = Bytes{0x01, 0x04, 0x00, 0x04, 0x00, 'a', 'b', 'c', 'd'}},
         ZipResult::InflateFailed,
         {"Error 1 inflating compressed file from zipfile a.zip\n"},
         InflateResult::InvalidData},
    };
    for (const Case& c : cases) {
        ZipMemberRecipe member = c.member;
        member.name = "M.BIN";
        Outcome o = Read(OneMember(member), "m.bin", member.local.uncompressedSize <= kZipMaxMemberSize);
        EXPECT_EQ(o.result, c.result) << c.what;
        EXPECT_EQ(o.inflate, c.inflate) << c.what;
        EXPECT_EQ(o.lines, c.lines) << c.what;
    }
}

// A directory far larger than a few kilobytes is read whole: its last entries are found.
TEST(ZipReader, ReadsTheWholeCentralDirectory) {
    ZipWriter zip;
    const int count = 1500;
    for (int i = 0; i < count; ++i) {
        char name[80];
        std::snprintf(name, sizeof name, "folder-with-a-longish-name/member-number-%05d.bin", i);
        zip.Add({.name = name, .data = Text(name), .deflate = i % 2 == 1});
    }
    const Bytes archive = zip.Finish();
    for (int i : {0, 150, 151, count - 2, count - 1}) {
        char name[40];
        std::snprintf(name, sizeof name, "member-number-%05d.bin", i);
        Outcome o = Read(archive, name);
        ASSERT_EQ(o.result, ZipResult::Ok) << name;
        EXPECT_EQ(o.data, Text("folder-with-a-longish-name/" + std::string(name))) << name;
    }
}

TEST(ZipReader, ArchivesThatCannotBeOpenedOrIndexed) {
    test::TempDir dir;
    for (const std::string& path : {dir / "missing.zip", dir.Path()}) {
        MemberData data;
        ZipStatus status = ReadMember(path, "x", data);
        EXPECT_EQ(status.result, ZipResult::Failed) << path;
        EXPECT_EQ(status.lines, Lines{"Could not open zipfile " + path + "\n"}) << path;
    }
    const Bytes plain = OneMember({.name = "X.BIN", .data = Text("data")});
    const auto directoryAt = static_cast<std::uint32_t>(plain.size() - 22 - 46 - 5);
    struct Case {
        const char* what;
        samples::ZipEndOverrides end;
        std::string firstLine;
    };
    const Case cases[] = {
        {"directory past the end", {.directoryOffset = static_cast<std::uint32_t>(plain.size() + 1)},
         "Error in zipfile a.zip: couldn't fseek to start of central directory\n"},
        {"directory runs past the end", {.directorySize = 46 + 5 + 23},
         "Error in zipfile a.zip: couldn't read 74 bytes from central directory\n"},
        {"directory size absurd", {.directorySize = 0xFFFFFF00u},
         "Error in zipfile a.zip: couldn't read 4294967040 bytes from central directory\n"},
        {"directory behind its end record", {.directoryOffset = directoryAt + 40},
         "Error in zipfile a.zip: couldn't read 51 bytes from central directory\n"},
    };
    for (const Case& c : cases) {
        Outcome o = Read(OneMember({.name = "X.BIN", .data = Text("data")}, "", c.end), "x.bin");
        EXPECT_EQ(o.result, ZipResult::Failed) << c.what;
        EXPECT_EQ(o.lines, (Lines{c.firstLine, "Could not find X.BIN in zipfile a.zip\n"})) << c.what;
    }
}

// A final stored block of `data`, followed by bytes the decoder never looks at.
Bytes StoredStream(const Bytes& data, std::size_t junk) {
    Bytes stream{0x01, static_cast<std::uint8_t>(data.size()), static_cast<std::uint8_t>(data.size() >> 8),
                 static_cast<std::uint8_t>(~data.size()), static_cast<std::uint8_t>(~data.size() >> 8)};
    stream.insert(stream.end(), data.begin(), data.end());
    stream.insert(stream.end(), junk, 0x5A);
    return stream;
}

// Sizes read from the archive that no file of its length could hold take no memory, and a member
// that claims far more than it yields takes no more than it yields: under a limit far below the
// sizes claimed, the reads still fail cleanly with their own diagnostics, on both decoding paths.
TEST(ZipReaderDeathTest, AbsurdSizesTakeNoMemory) {
    struct Case {
        const char* what;
        Bytes archive;
        std::string line;
    };
    const Bytes text = Text("text");
    const Bytes kibibyte = samples::Filler(1024, 3);
    const Case cases[] = {
        // 2 GiB - 1 claimed, within what 2.1 MB of DEFLATE data could give, but 1 KiB given.
        {"claims 2 GiB, gives 1 KiB",
         OneMember({.name = "X.BIN", .data = kibibyte, .deflated = StoredStream(kibibyte, 2'100'000), .local = {.uncompressedSize = 0x7FFFFFFFu}}),
         "inflates to fewer bytes than its header says"},
        {"directory size", OneMember({.name = "X.BIN", .data = text}, "", {.directorySize = 0xFFFFFF00u}),
         "couldn't read 4294967040 bytes from central directory"},
        {"compressed size", OneMember({.name = "X.BIN", .data = text, .deflated = test::ZlibDeflateRaw(text, 6), .local = {.compressedSize = 0xFFFFFF00u}}),
         "couldn't read 4294967040 bytes of compressed data"},
        {"stored size", OneMember({.name = "X.BIN", .data = text, .local = {.compressedSize = 0xFFFFFF00u, .uncompressedSize = 0xFFFFFF00u}}),
         "cannot be 4294967040 bytes long"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string path = dir.Write("a.zip", c.archive);
        EXPECT_EXIT(
            {
                // Room for what the process has mapped so far and a little more.
                test::LimitAddressSpace(512ull << 20);
                bool failedAsExpected = true;
                for (InflatePath way : {InflatePath::Direct, InflatePath::Window}) {
                    ZipStatus status;
                    auto archive = ZipArchive::Open(path, status);
                    MemberData data;
                    if (status.Ok()) status = archive->ReadMember("x.bin", data, {.path = way});
                    for (const std::string& l : status.lines) std::fputs(l.c_str(), stderr);
                    failedAsExpected = failedAsExpected && status.result == ZipResult::Failed &&
                                       status.Reason().find(c.line) != std::string::npos;
                }
                std::_Exit(failedAsExpected ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "")
            << c.what;
    }
}

// The window path's sink fills the member's buffer in order, growing it as the pieces arrive but
// never beyond its limit, however the pieces fall.
TEST(ZipReader, AppendOutputGrowsUpToItsLimit) {
    struct Case {
        std::size_t start;  // the buffer's first size
        std::size_t limit;
        std::vector<std::size_t> pieces;
        bool overflows;
    };
    const Case cases[] = {
        {0, 0, {}, false},           {0, 0, {0}, false},           {0, 0, {1}, true},
        {10, 10, {10}, false},       {10, 10, {4, 6}, false},      {10, 10, {4, 7}, true},
        {10, 10, {11}, true},        {10, 10, {10, 0, 1}, true},   {0, 10, {4, 6}, false},
        {1, 10, {4, 7}, true},       {3, 1000, {500, 500}, false}, {3, 999, {500, 500}, true},
        {65536, 65536, {32768, 32768}, false},                     {1024, 65535, {32768, 32768}, true},
        {1, 100000, {32768, 32768, 32768, 1696}, false},
    };
    const Bytes source = samples::Filler(100000, 4);
    for (const Case& c : cases) {
        MemberData data;
        data.Allocate(c.start);
        MemberOutput out{data, c.limit};
        std::size_t given = 0;
        for (std::size_t piece : c.pieces) {
            out.AppendOutput(std::span(source).subspan(given, piece));
            given += piece;
        }
        const std::size_t kept = std::min(given, c.limit);
        EXPECT_EQ(out.end, kept) << c.limit;
        EXPECT_EQ(out.overflowed, c.overflows) << c.limit;
        EXPECT_LE(data.size(), std::max(c.start, c.limit)) << c.limit;
        EXPECT_TRUE(std::equal(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(kept), source.begin())) << c.limit;
    }
}

TEST(ZipReader, BaseNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"pack.zip", "pack.zip"},      {"roms/nes/pack.zip", "pack.zip"}, {"C:\\roms\\pack.zip", "pack.zip"},
        {"D:pack.zip", "pack.zip"},    {"roms//pack.zip/", "pack.zip"},  {"", ""},
    };
    for (const auto& [path, base] : cases) EXPECT_EQ(ZipBaseName(path), base) << path;
}

// Lines are built from texts and numbers, cut to 255 characters; the reason is the first line
// without its line break.
TEST(ZipStatus, LinesAndReason) {
    ZipStatus status;
    EXPECT_EQ(status.Reason(), "");
    status.Say("one ", 1, " and ", std::uint64_t{4294967296}, "\n");
    status.Say(std::string(400, 'x'));
    status.Say("Method: ", DollarHex(8, 4), " Version: ", DollarHex(0x2D, 2), " ", DollarHex(0x12345, 2), "\n");
    EXPECT_EQ(status.lines, (Lines{"one 1 and 4294967296\n", std::string(255, 'x'), "Method: $0008 Version: $2d $12345\n"}));
    EXPECT_EQ(status.Reason(), "one 1 and 4294967296");
    EXPECT_TRUE(status.Ok());
    EXPECT_EQ(status.Fail(ZipResult::NoEndRecord), ZipResult::NoEndRecord);
    EXPECT_FALSE(status.Ok());
    // The results keep their numbers.
    EXPECT_EQ(static_cast<int>(ZipResult::Ok), 0);
    EXPECT_EQ(static_cast<int>(ZipResult::NoEndRecord), 1);
    EXPECT_EQ(static_cast<int>(ZipResult::Failed), -1);
}

}  // namespace
}  // namespace zip_reader_test
}  // namespace vorne
