#include "archive/zip_reader.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <thread>

#include "base/crc32.h"
#include "base/text_rules.h"
#include "images.h"
#include "support/temp_dir.h"
#include "zip_writer.h"
#include "support/zlib_deflate.h"

namespace vorne {
namespace {

using samples::Bytes;
using samples::ZipMemberRecipe;
using samples::ZipWriter;
using Lines = std::vector<std::string>;

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

// A raw DEFLATE stream made by zlib.
struct Outcome {
    int result = 0;
    Bytes data;   // left as the caller had it on failure
    Lines lines;  // the diagnostic lines, in order
};

// Reads `name` from the archive three ways: the one-shot ReadMember, and an opened archive
// through each decoding path. All three must agree on the result, the bytes and the lines.
Outcome Read(const Bytes& archive, std::string_view name) {
    test::TempDir dir;
    const std::string path = dir.Write("a.zip", archive);
    const Bytes untouched{0xEE, 0xEE};
    Outcome outcomes[3];
    for (int way = 0; way < 3; ++way) {
        Outcome& o = outcomes[way];
        o.data = untouched;
        ZipErrorListener listener([&o](const std::string& line) { o.lines.push_back(line); });
        if (way == 0) {
            o.result = ReadMember(path, name, o.data);
        } else {
            int opened = kZipOk;
            auto zip = ZipArchive::Open(path, opened);
            if (!zip) {
                o.result = opened;
            } else if (opened != kZipOk) {
                // What the one-shot form adds for an archive whose directory cannot be read.
                ReportZipError("Could not find %s in zipfile %s\n", ToUpperAscii(name).c_str(), zip->BaseName().c_str());
                o.result = kZipFailed;
            } else {
                o.result = zip->ReadMember(name, o.data, way == 1 ? InflatePath::Direct : InflatePath::Window);
            }
        }
        if (o.result != kZipOk) {
            EXPECT_EQ(o.data, untouched) << "way " << way;
        }
    }
    for (int way = 1; way < 3; ++way) {
        EXPECT_EQ(outcomes[way].result, outcomes[0].result) << "way " << way;
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
        EXPECT_EQ(o.result, kZipOk) << c.what;
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
        int result;
        Lines lines;
    };
    const Case cases[] = {
        {"empty file", {}, kZipNoEndRecord, kNoEndRecord},
        {"21 bytes", Bytes(plain.end() - 21, plain.end()), kZipNoEndRecord, kNoEndRecord},
        {"the bare record",
         Bytes(plain.end() - 22, plain.end()),
         kZipFailed,
         {"Error in zipfile a.zip: couldn't fseek to start of central directory\n", "Could not find X.BIN in zipfile a.zip\n"}},
        {"4,074 comment bytes", zip.Finish(std::string(4074, 'c')), kZipOk, {}},
        {"4,075 comment bytes", zip.Finish(std::string(4075, 'c')), kZipOk, {}},
        {"8,171 comment bytes", zip.Finish(std::string(8171, 'c')), kZipOk, {}},
        {"a record in a long comment, far from the end",
         zip.Finish(fake + std::string(9000, 'c')), kZipFailed, kSpansDisks},
        {"longest comment", zip.Finish(std::string(65535, 'c')), kZipOk, {}},
        {"record as far back as it can be", withTail(65535), kZipOk, {}},
        {"record one byte too far back", withTail(65536), kZipNoEndRecord, kNoEndRecord},
        {"record in the comment wins", zip.Finish("before " + fake + " after"), kZipFailed, kSpansDisks},
        {"signature too near the end for a record", zip.Finish(std::string(30, 'c') + "PK\x05\x06" + "123456789"), kZipOk, {}},
    };
    for (const Case& c : cases) {
        Outcome o = Read(c.archive, "x.bin");
        EXPECT_EQ(o.result, c.result) << c.what;
        EXPECT_EQ(o.lines, c.lines) << c.what;
        if (c.result == kZipOk) {
            EXPECT_EQ(o.data, Text("data")) << c.what;
        }
    }
}

TEST(ZipReader, RefusesMultiVolumeAndEmptyArchives) {
    const samples::ZipEndOverrides cases[] = {
        {.thisDisk = 1},
        {.directoryDisk = 1},
        {.thisDisk = 2, .directoryDisk = 2, .entriesOnDisk = 1, .totalEntries = 2},
        {.entriesOnDisk = 0, .totalEntries = 0},
    };
    for (const auto& end : cases) {
        Outcome o = Read(OneMember({.name = "X.BIN", .data = Text("data")}, "", end), "x.bin");
        EXPECT_EQ(o.result, kZipFailed);
        EXPECT_EQ(o.lines, kSpansDisks);
    }
    // Both disk numbers equal and not 0: a single volume, read as any other.
    EXPECT_EQ(Read(OneMember({.name = "X.BIN", .data = Text("data"), .startDisk = 3}, "", {.thisDisk = 3, .directoryDisk = 3}), "x.bin").result,
              kZipOk);
}

TEST(ZipReader, MatchesNamesWithoutRegardToCase) {
    const std::string longName = std::string(243, 'n') + ".BIN";   // 247 characters
    const std::string tooLong = std::string(244, 'n') + ".BIN";    // 248
    const std::string deep = std::string(260, 'd') + "/LATE.NES";  // its last component is cut off
    ZipWriter zip;
    zip.Add({.name = "Roms/NES/Game.NES", .data = Text("first by component")});
    zip.Add({.name = "ROMS/GAME.NES", .data = Text("exact path")});
    zip.Add({.name = "Other/game.nes", .data = Text("second by component")});
    zip.AddFolder("Docs");
    zip.Add({.name = "Docs/Readme.txt", .data = Text("readme")});
    zip.Add({.name = longName, .data = Text("long")});
    zip.Add({.name = tooLong, .data = Text("too long")});
    zip.Add({.name = deep, .data = Text("deep")});
    const Bytes archive = zip.Finish();
    struct Case {
        std::string wanted;
        const char* content;  // nullptr: not found
    };
    const Case cases[] = {
        {"game.nes", "first by component"},
        {"GAME.NES", "first by component"},
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
        {tooLong, nullptr},             // longer than any wanted name may be
        {"late.nes", nullptr},          // stored names are compared by their first 254 characters
    };
    for (const Case& c : cases) {
        Outcome o = Read(archive, c.wanted);
        if (c.content == nullptr) {
            EXPECT_EQ(o.result, kZipFailed) << c.wanted;
            // Lines are cut to 255 characters.
            const std::string line = "Could not find " + ToUpperAscii(c.wanted) + " in zipfile a.zip\n";
            EXPECT_EQ(o.lines, Lines{line.substr(0, 255)}) << c.wanted;
        } else {
            EXPECT_EQ(o.result, kZipOk) << c.wanted;
            EXPECT_EQ(o.data, Text(c.content)) << c.wanted;
        }
    }
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

// A matching entry that fails a check is passed over with its diagnostics, and the search goes
// on to the next matching entry.
TEST(ZipReader, EntryChecksPassOverAnEntryAndGoOn) {
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
            Lines lines = c.lines;
            if (later) {
                EXPECT_EQ(o.result, kZipOk) << c.what;
                EXPECT_EQ(o.data, good) << c.what;
            } else {
                EXPECT_EQ(o.result, kZipFailed) << c.what;
                lines.push_back("Could not find GAME.NES in zipfile a.zip\n");
            }
            EXPECT_EQ(o.lines, lines) << c.what << (later ? ", with a later entry" : "");
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
        int result;
        Lines lines;
    };
    const Case cases[] = {
        {"local method 6",
         deflated({.method = 6}),
         kZipFailed,
         {"Error in zipfile a.zip: compression method for file M.BIN unsupported.\n",
          "Method: $0006  must be $0000 (Stored) or $0008 (Deflated)\n"}},
        {"no local signature",
         stored({.signature = 0x04034B51}),
         kZipFailed,
         {"Error in zipfile a.zip: no local file header for file M.BIN\n", noLocal}},
        {"local header flags encryption", stored({.flags = 1}), kZipFailed, {"Error in zipfile a.zip: file M.BIN is encrypted.\n"}},
        {"local header past the end",
         {.data = text, .localHeaderOffset = length},
         kZipFailed,
         {"Error in zipfile a.zip: couldn't fseek to local file header\n", noLocal}},
        {"local header cut short by the end",
         {.data = text, .localHeaderOffset = length - 29},
         kZipFailed,
         {"Error in zipfile a.zip: couldn't read 29 bytes from local file header", noLocal}},
        {"stored, uncompressed size larger",
         stored({.uncompressedSize = usize + 1}),
         kZipFailed,
         {"Error in zipfile a.zip: file M.BIN cannot be " + std::to_string(usize + 1) + " bytes long\n"}},
        {"stored, uncompressed size smaller",
         stored({.uncompressedSize = usize - 1}),
         kZipFailed,
         {"Error in zipfile a.zip: stored file M.BIN has sizes " + std::to_string(usize) + " and " + std::to_string(usize - 1) + "\n"}},
        {"deflated, more than any stream could give",
         deflated({.uncompressedSize = csize * 1032 + 259}),
         kZipFailed,
         {"Error in zipfile a.zip: file M.BIN cannot be " + std::to_string(csize * 1032 + 259) + " bytes long\n"}},
        {"deflated, above 2 GiB",
         deflated({.compressedSize = 3'000'000, .uncompressedSize = 0x80000001u}),
         kZipFailed,
         {"Error in zipfile a.zip: file M.BIN cannot be 2147483649 bytes long\n"}},
        {"deflated data past the end",
         deflated({.compressedSize = csize + 200}),
         kZipFailed,
         {"Error in zipfile a.zip: couldn't read " + std::to_string(csize + 200) + " bytes of compressed data\n", deflatedLine}},
        {"stored data past the end",
         stored({.compressedSize = 100'000, .uncompressedSize = 100'000}),
         kZipFailed,
         {"Error in zipfile a.zip: couldn't read 100000 bytes of compressed data\n", storedLine}},
        {"stream gives fewer bytes",
         deflated({.uncompressedSize = usize + 1}),
         kZipFailed,
         {"Error in zipfile a.zip: file M.BIN inflates to fewer bytes than its header says\n"}},
        {"stream gives more bytes",
         deflated({.uncompressedSize = usize - 1}),
         kZipFailed,
         {"Error in zipfile a.zip: file M.BIN inflates to more bytes than its header says\n"}},
        {"bad CRC, stored", stored({.crc = Crc32(text) ^ 1}), kZipFailed, {"Error in zipfile a.zip: CRC-32 of file M.BIN does not match\n"}},
        {"bad CRC, deflated", deflated({.crc = 0}), kZipFailed, {"Error in zipfile a.zip: CRC-32 of file M.BIN does not match\n"}},
        {"bad CRC in the directory, behind a descriptor",
         {.data = text, .dataDescriptor = true, .deflated = deflatedText, .directory = {.crc = Crc32(text) + 1}},
         kZipFailed,
         {"Error in zipfile a.zip: CRC-32 of file M.BIN does not match\n"}},
        {"zero sizes in the local header, no descriptor, stored",
         stored({.compressedSize = 0, .uncompressedSize = 0}),
         kZipFailed,
         {"Error in zipfile a.zip: CRC-32 of file M.BIN does not match\n"}},
        {"zero sizes in the local header, no descriptor, deflated",
         deflated({.compressedSize = 0, .uncompressedSize = 0}),
         1,
         {"Error 1 inflating compressed file from zipfile a.zip\n"}},
        {"block type 3", {.data = text, .deflated = Bytes{0x07, 0, 0, 0}}, 2, {"Error 2 inflating compressed file from zipfile a.zip\n"}},
        {"stored block with a bad length check",
         {.data = text, .deflated = Bytes{0x01, 0x04, 0x00, 0x04, 0x00, 'a', 'b', 'c', 'd'}},
         1,
         {"Error 1 inflating compressed file from zipfile a.zip\n"}},
    };
    for (const Case& c : cases) {
        ZipMemberRecipe member = c.member;
        member.name = "M.BIN";
        Outcome o = Read(OneMember(member), "m.bin");
        EXPECT_EQ(o.result, c.result) << c.what;
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
        ASSERT_EQ(o.result, kZipOk) << name;
        EXPECT_EQ(o.data, Text("folder-with-a-longish-name/" + std::string(name))) << name;
    }
}

TEST(ZipReader, ArchivesThatCannotBeOpenedOrIndexed) {
    test::TempDir dir;
    for (const std::string& path : {dir / "missing.zip", dir.Path()}) {
        Lines lines;
        Bytes data;
        ZipErrorListener listener([&lines](const std::string& line) { lines.push_back(line); });
        EXPECT_EQ(ReadMember(path, "x", data), kZipFailed) << path;
        EXPECT_EQ(lines, Lines{"Could not open zipfile " + path + "\n"}) << path;
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
        EXPECT_EQ(o.result, kZipFailed) << c.what;
        EXPECT_EQ(o.lines, (Lines{c.firstLine, "Could not find X.BIN in zipfile a.zip\n"})) << c.what;
    }
}

// Sizes read from the archive that no file of its length could hold take no memory: under a
// limit far below them, the reads still fail cleanly with their own diagnostics.
TEST(ZipReaderDeathTest, AbsurdSizesTakeNoMemory) {
    struct Case {
        const char* what;
        Bytes archive;
        std::string line;
    };
    const Bytes text = Text("text");
    const Case cases[] = {
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
                std::ifstream status("/proc/self/status");
                std::string line;
                unsigned long long mappedKiB = 0;
                while (std::getline(status, line)) {
                    if (line.rfind("VmSize:", 0) == 0) mappedKiB = std::stoull(line.substr(7));
                }
                rlimit limit{};
                getrlimit(RLIMIT_AS, &limit);
                limit.rlim_cur = static_cast<rlim_t>((mappedKiB << 10) + (512ull << 20));
                setrlimit(RLIMIT_AS, &limit);
                Lines lines;
                Bytes data;
                int result;
                {
                    ZipErrorListener listener([&lines](const std::string& l) { lines.push_back(l); });
                    result = ReadMember(path, "x.bin", data);
                }
                for (const std::string& l : lines) std::fputs(l.c_str(), stderr);
                std::_Exit(result == kZipFailed && !lines.empty() && lines[0].find(c.line) != std::string::npos ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "")
            << c.what;
    }
}

TEST(ZipReader, FileLengthOfAnOpenFile) {
    test::TempDir dir;
    for (std::size_t size : {0u, 1u, 70000u}) {
        File file = File::OpenRead(dir.Write("f" + std::to_string(size), Bytes(size, 1)));
        std::int64_t length = -5;
        EXPECT_EQ(get_file_length(file, length), 0);
        EXPECT_EQ(length, static_cast<std::int64_t>(size));
    }
    std::int64_t length = -5;
    EXPECT_NE(get_file_length(File(), length), 0);
}

// The window path's sink fills the member's buffer in order and never writes past it, however
// the pieces fall.
TEST(ZipReader, AppendOutputStaysInsideItsBuffer) {
    struct Case {
        std::size_t room;
        std::vector<std::size_t> pieces;
        bool overflows;
    };
    const Case cases[] = {
        {0, {}, false},   {0, {0}, false},         {0, {1}, true},           {10, {10}, false},
        {10, {4, 6}, false}, {10, {4, 7}, true}, {10, {11}, true},         {10, {10, 0, 1}, true},
        {65536, {32768, 32768}, false},          {65535, {32768, 32768}, true},
    };
    const Bytes source = samples::Filler(70000, 4);
    for (const Case& c : cases) {
        Bytes memory(c.room + 64, 0xCC);  // the buffer, then guard bytes
        MemberOutput out{std::span(memory).first(c.room)};
        std::size_t given = 0;
        for (std::size_t piece : c.pieces) {
            out.AppendOutput(std::span(source).subspan(given, piece));
            given += piece;
        }
        const std::size_t kept = std::min(given, c.room);
        EXPECT_EQ(out.end, kept);
        EXPECT_EQ(out.overflowed, c.overflows);
        EXPECT_TRUE(std::equal(memory.begin(), memory.begin() + static_cast<std::ptrdiff_t>(kept), source.begin()));
        EXPECT_TRUE(std::all_of(memory.begin() + static_cast<std::ptrdiff_t>(c.room), memory.end(), [](auto b) { return b == 0xCC; }))
            << c.room;
    }
}

TEST(ZipReader, BaseNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"pack.zip", "pack.zip"},      {"roms/nes/pack.zip", "pack.zip"}, {"C:\\roms\\pack.zip", "pack.zip"},
        {"D:pack.zip", "pack.zip"},    {"roms//pack.zip/", "pack.zip"},  {"", ""},
    };
    for (const auto& [path, base] : cases) EXPECT_EQ(ZipBaseName(path), base) << path;
}

// Each thread hears only its own lines; a listener hands over to the one it replaced.
TEST(ZipReader, ListenersBelongToTheirThread) {
    Lines outer, inner, other;
    {
        ZipErrorListener listenOuter([&](const std::string& l) { outer.push_back(l); });
        ReportZipError("one %d\n", 1);
        {
            ZipErrorListener listenInner([&](const std::string& l) { inner.push_back(l); });
            ReportZipError("two\n");
            std::thread([&] {
                ReportZipError("unheard\n");
                ZipErrorListener listenOther([&](const std::string& l) { other.push_back(l); });
                ReportZipError("three\n");
            }).join();
        }
        ReportZipError("%s", std::string(400, 'x').c_str());  // cut to 255 characters
    }
    ReportZipError("after\n");
    EXPECT_EQ(outer, (Lines{"one 1\n", std::string(255, 'x')}));
    EXPECT_EQ(inner, Lines{"two\n"});
    EXPECT_EQ(other, Lines{"three\n"});
}

}  // namespace
}  // namespace vorne
