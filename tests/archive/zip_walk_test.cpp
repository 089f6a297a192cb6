#include "archive/zip_walk.h"

#include <gtest/gtest.h>

#include "archive/field_reader.h"
#include "archive/zip_directory.h"
#include "archive/zip_format.h"
#include "base/crc32.h"
#include "images.h"
#include "platform/file.h"
#include "support/temp_dir.h"
#include "zip_writer.h"

namespace vorne {
namespace zip_walk_test {
namespace {

using samples::Bytes;
using samples::ZipWriter;

struct Listed {
    std::string name;
    std::uint64_t crc, compressed, uncompressed;
    bool operator==(const Listed&) const = default;
};

std::vector<Listed> Walk(const Bytes& archive) {
    test::TempDir dir;
    File file = File::OpenRead(dir.Write("a.zip", archive));
    std::vector<Listed> members;
    WalkLocalHeaders(file, [&](const ZipMemberInfo& m) { members.push_back({m.name, m.crc, m.compressedSize, m.uncompressedSize}); });
    return members;
}

struct Listing {
    bool fromDirectory = false;
    std::vector<Listed> members;
};

Listing List(const Bytes& archive) {
    test::TempDir dir;
    File file = File::OpenRead(dir.Write("a.zip", archive));
    ZipListing listing = ListZipMembers(file);
    Listing result{listing.fromDirectory, {}};
    for (const ZipMemberInfo& m : listing.members) result.members.push_back({m.name, m.crc, m.compressedSize, m.uncompressedSize});
    return result;
}

std::vector<std::string> Names(const std::vector<Listed>& members) {
    std::vector<std::string> names;
    for (const Listed& m : members) names.push_back(m.name);
    return names;
}

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

// The archive cut off before its central directory.
Bytes WithoutDirectory(Bytes archive) {
    auto end = FindEndRecord(archive);
    EXPECT_TRUE(end);
    archive.resize(DecodeEndRecord(std::span(archive).subspan(*end)).directoryOffset);
    return archive;
}

TEST(ZipWalk, ListsMembersInArchiveOrder) {
    ZipWriter zip;
    Bytes one = samples::Filler(5000, 1);
    Bytes two = Text("hello hello hello hello");
    zip.Add({.name = "ONE.NES", .data = one});
    zip.AddFolder("sub");
    zip.Add({.name = "sub/two.txt", .data = two, .deflate = true});
    const Bytes archive = zip.Finish("a comment");
    for (const auto& members : {Walk(archive), List(archive).members}) {
        ASSERT_EQ(members.size(), 3u);
        EXPECT_EQ(members[0], (Listed{"ONE.NES", Crc32(one), 5000, 5000}));
        EXPECT_EQ(members[1].name, "sub/");
        EXPECT_EQ(members[2].name, "sub/two.txt");
        EXPECT_EQ(members[2].crc, Crc32(two));
        EXPECT_EQ(members[2].uncompressed, two.size());
        EXPECT_LT(members[2].compressed, two.size());
    }
}

// The walk steps over each member's extra field, however long, to the next header.
TEST(ZipWalk, StepsOverExtraFields) {
    const std::size_t lengths[] = {0, 1, 4, 37, 300, 65535};
    for (std::size_t length : lengths) {
        ZipWriter zip;
        zip.Add({.name = "first.bin", .data = samples::Filler(100, 1), .local = {.extra = Bytes(length, 0xA5)}});
        zip.Add({.name = "second.bin", .data = Text("second"), .deflate = true, .local = {.extra = Bytes(length / 2, 0x5A)}});
        zip.Add({.name = "third.bin", .data = Text("third")});
        const Bytes archive = zip.Finish();
        EXPECT_EQ(Names(Walk(archive)), (std::vector<std::string>{"first.bin", "second.bin", "third.bin"})) << length;
        EXPECT_EQ(Names(Walk(WithoutDirectory(archive))), (std::vector<std::string>{"first.bin", "second.bin", "third.bin"})) << length;
    }
}

// Members whose sizes follow their data are listed with the directory's values, and so are the
// members behind them. Without a directory the walk lists such a member with what its header says
// and cannot go on past data of unknown length.
TEST(ZipWalk, DataDescriptors) {
    for (bool signature : {true, false}) {
        ZipWriter zip;
        Bytes first = samples::Filler(70000, 2);
        Bytes second = samples::Filler(300, 3);
        zip.Add({.name = "first.bin", .data = first, .deflate = true, .dataDescriptor = true, .descriptorSignature = signature});
        zip.Add({.name = "second.bin", .data = second, .dataDescriptor = true, .descriptorSignature = signature});
        zip.Add({.name = "third.bin", .data = Text("abc")});
        const Bytes archive = zip.Finish();
        Listing listing = List(archive);
        EXPECT_TRUE(listing.fromDirectory);
        auto& members = listing.members;
        ASSERT_EQ(members.size(), 3u) << signature;
        EXPECT_EQ(members[0].crc, Crc32(first));
        EXPECT_EQ(members[0].uncompressed, 70000u);
        EXPECT_GT(members[0].compressed, 0u);
        EXPECT_EQ(members[1], (Listed{"second.bin", Crc32(second), 300, 300}));
        EXPECT_EQ(members[2].name, "third.bin");

        Listing walked = List(WithoutDirectory(archive));
        EXPECT_FALSE(walked.fromDirectory);
        EXPECT_EQ(walked.members, (std::vector<Listed>{{"first.bin", 0, 0, 0}}));
    }
}

TEST(ZipWalk, StopsAtTheCentralDirectory) {
    // A member of 64 KiB or more: its directory entry, read as a local header, would pass the
    // name test, so the walk must stop at the signature.
    ZipWriter zip;
    zip.Add({.name = "big.bin", .data = samples::Filler(65536 + 10, 4)});
    EXPECT_EQ(Names(Walk(zip.Finish())), (std::vector<std::string>{"big.bin"}));
}

// Names of any length and names beginning with a byte of 0x80 and above are listed, from the
// directory and by the walk alike, and the members after them too. Only a name that is empty or
// begins with a control character ends the walk; the directory lists it as it is.
TEST(ZipWalk, NamesOfEveryLength) {
    struct Case {
        std::size_t length;
        char first;
        bool walkGoesOn;
    };
    const Case cases[] = {
        {1, 'A', true},    {255, 'A', true},    {256, 'A', true},    {257, 'A', true},   {258, 'A', true},
        {260, 'A', true},  {261, 'A', true},    {300, 'A', true},    {5000, 'A', true},  {5, '\xC4', true},
        {5, '\x80', true}, {5, '\xFF', true},   {5, ' ', true},      {5, '\x1F', false}, {5, '\x01', false},
    };
    for (const Case& c : cases) {
        ZipWriter zip;
        std::string name(c.length, 'n');
        name[0] = c.first;
        zip.Add({.name = "before.bin", .data = Text("b")});
        zip.Add({.name = name, .data = Text("x")});
        zip.Add({.name = "after.bin", .data = Text("a")});
        const Bytes archive = zip.Finish();
        const std::vector<std::string> all = {"before.bin", name, "after.bin"};
        Listing listing = List(archive);
        EXPECT_TRUE(listing.fromDirectory);
        EXPECT_EQ(Names(listing.members), all) << c.length << " " << int(c.first);
        const std::vector<std::string> walked =
            c.walkGoesOn ? all : std::vector<std::string>{"before.bin"};
        EXPECT_EQ(Names(Walk(WithoutDirectory(archive))), walked) << c.length << " " << int(c.first);
    }
}

TEST(ZipWalk, DamagedArchivesEndTheWalkQuietly) {
    ZipWriter zip;
    zip.Add({.name = "a.bin", .data = samples::Filler(1000, 5)});
    zip.Add({.name = "b.bin", .data = samples::Filler(1000, 6)});
    Bytes whole = zip.Finish();
    for (std::size_t cut : {0u, 10u, 29u, 30u, 33u, 500u, 1040u, 1070u}) {
        Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        for (const auto& members : {Walk(part), List(part).members}) {
            EXPECT_LE(members.size(), 2u) << cut;
            for (const Listed& m : members) EXPECT_TRUE(m.name == "a.bin" || m.name == "b.bin") << cut;
        }
    }
}

// Which archives are listed from their directory, and which are walked for want of one.
TEST(ZipListing, TheDirectoryWhenThereIsOne) {
    const Bytes stub = Text("#!/bin/sh\necho a self-extracting archive would run here\nexit 0\n");
    auto archive = [](samples::ZipLayout layout = {}, samples::ZipEndOverrides end = {}) {
        ZipWriter zip;
        zip.Add({.name = "one.nes", .data = Text("one")});
        zip.Add({.name = "two.nes", .data = samples::Filler(3000, 7), .deflate = true});
        return zip.Finish("", end, layout);
    };
    struct Case {
        const char* what;
        Bytes bytes;
        bool fromDirectory;
        std::size_t members;
    };
    const Bytes plain = archive();
    const Case cases[] = {
        {"plain", plain, true, 2},
        {"behind a prefix its offsets count", archive({.prefix = stub, .offsetsCountPrefix = true}), true, 2},
        {"behind a prefix its offsets do not count", archive({.prefix = stub}), true, 2},
        {"zip64 end record", archive({.zip64End = true}), true, 2},
        {"zip64 end record behind a prefix", archive({.zip64End = true, .prefix = stub}), true, 2},
        {"empty", ZipWriter().Finish(), true, 0},
        {"directory cut off", WithoutDirectory(plain), false, 2},
        {"directory past the end", archive({}, {.directoryOffset = 100000}), false, 2},
        {"multi-volume", archive({}, {.thisDisk = 1}), false, 2},
        {"nothing at all", Bytes(100, 0), false, 0},
        // The directory is walked by its size, whatever the end record counts.
        {"count wrapped to 0", archive({}, {.entriesOnDisk = 0, .totalEntries = 0}), true, 2},
        {"count of more than it holds", archive({}, {.entriesOnDisk = 3, .totalEntries = 3}), true, 2},
        {"count of fewer than it holds", archive({}, {.entriesOnDisk = 1, .totalEntries = 1}), true, 2},
        {"last record cut short", archive({}, {.directorySize = 2 * (46 + 7) - 1}), true, 1},
        {"first record cut short", archive({}, {.directorySize = 46 + 6}), true, 0},
    };
    for (const Case& c : cases) {
        Listing listing = List(c.bytes);
        EXPECT_EQ(listing.fromDirectory, c.fromDirectory) << c.what;
        EXPECT_EQ(listing.members.size(), c.members) << c.what;
        if (c.members == 2) {
            EXPECT_EQ(Names(listing.members), (std::vector<std::string>{"one.nes", "two.nes"})) << c.what;
        }
    }
}

// More than 65,535 members without zip64 records: the end record's 16-bit count wraps.
TEST(ZipListing, AHundredThousandMembers) {
    ZipWriter zip;
    constexpr std::size_t kCount = 100'000;
    for (std::size_t i = 0; i < kCount; ++i) zip.Add({.name = std::to_string(i) + ".nes"});
    const Listing listing = List(zip.Finish());
    ASSERT_EQ(listing.members.size(), kCount);
    EXPECT_EQ(listing.members.back().name, std::to_string(kCount - 1) + ".nes");
}

// Zip64 entries list their real sizes, whether the directory or only the local header has them.
TEST(ZipListing, Zip64Sizes) {
    const Bytes data = samples::Filler(5000, 8);
    for (bool local : {false, true}) {
        for (bool directory : {false, true}) {
            ZipWriter zip;
            zip.Add({.name = "wide.bin", .data = data, .deflate = true, .zip64Local = local, .zip64Directory = directory});
            zip.Add({.name = "after.bin", .data = Text("after")});
            Listing listing = List(zip.Finish("", {}, {.zip64End = directory}));
            ASSERT_EQ(listing.members.size(), 2u);
            EXPECT_EQ(listing.members[0].uncompressed, 5000u) << local << directory;
            EXPECT_LT(listing.members[0].compressed, 5000u) << local << directory;
            EXPECT_EQ(listing.members[1], (Listed{"after.bin", Crc32(Text("after")), 5, 5}));
            std::vector<Listed> walked = Walk(WithoutDirectory(zip.Finish()));
            ASSERT_EQ(walked.size(), 2u) << local << directory;
            EXPECT_EQ(walked[0], listing.members[0]) << local << directory;
        }
    }
}

TEST(ZipFormat, EndRecordSearchReachesPastLongComments) {
    for (std::size_t commentLength : {0u, 100u, 8171u, 65535u}) {
        ZipWriter zip;
        zip.Add({.name = "x.bin", .data = Text("data")});
        Bytes archive = zip.Finish(std::string(commentLength, 'c'));
        test::TempDir dir;
        File file = File::OpenRead(dir.Write("c.zip", archive));
        ZipStatus status;
        ZipDirectory directory = ReadZipDirectory(file, file.Size(), "c.zip", status);
        ASSERT_TRUE(directory.read) << commentLength;
        ASSERT_EQ(directory.entries.size(), 1u);
        EXPECT_EQ(directory.entries[0].name, "x.bin");
        EXPECT_TRUE(status.lines.empty());
    }
}

TEST(ZipFormat, TheSignatureNearestTheEndWins) {
    ZipWriter zip;
    zip.Add({.name = "x.bin", .data = Text("data")});
    std::string comment(100, 'c');
    comment.replace(40, 4, "PK\x05\x06");
    Bytes archive = zip.Finish(comment);
    auto at = FindEndRecord(archive);
    ASSERT_TRUE(at);
    EXPECT_EQ(*at, archive.size() - 100 + 40);
    EXPECT_FALSE(FindEndRecord(Bytes(21, 0)));
    EXPECT_FALSE(FindEndRecord(Bytes{'P', 'K', 5, 6}));
}

TEST(ZipFormat, FieldReaderFailsOnShortInput) {
    const Bytes bytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};
    FieldReader r(bytes);
    EXPECT_EQ(r.U8(), 0x01);
    EXPECT_EQ(r.U16(), 0x0302);
    EXPECT_EQ(r.U32(), 0x07060504u);
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(r.Left(), 2u);
    EXPECT_EQ(r.U32(), 0u);  // only two bytes left
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.U8(), 0);    // and it stays failed
    EXPECT_EQ(r.Left(), 0u);

    FieldReader wide(bytes);
    EXPECT_EQ(wide.U64(), 0x0807060504030201ull);
    EXPECT_EQ(wide.Bytes(2).size(), 0u);
    EXPECT_FALSE(wide.Ok());
    FieldReader exact(bytes);
    EXPECT_EQ(exact.Bytes(9).size(), 9u);
    EXPECT_TRUE(exact.Ok());
}

// A directory entry's zip64 block holds only the values its own fields mark, in a fixed order.
TEST(ZipFormat, Zip64ExtraFieldWidensMarkedValues) {
    auto entry = [](std::uint32_t compressed, std::uint32_t uncompressed, std::uint32_t offset, std::uint16_t disk,
                    const Bytes& extra) {
        Bytes b(46, 0);
        auto put = [&](std::size_t at, std::uint64_t v, int width) {
            for (int i = 0; i < width; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        };
        put(20, compressed, 4);
        put(24, uncompressed, 4);
        put(28, 1, 2);  // name length
        put(30, extra.size(), 2);
        put(34, disk, 2);
        put(42, offset, 4);
        b.push_back('n');
        b.insert(b.end(), extra.begin(), extra.end());
        return b;
    };
    auto block = [](std::initializer_list<std::uint64_t> values, std::uint16_t id = 1, int extraBytes = 0) {
        Bytes b{static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8), 0, 0};
        for (std::uint64_t v : values) {
            for (int i = 0; i < 8; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
        b.insert(b.end(), static_cast<std::size_t>(extraBytes), 0);
        b[2] = static_cast<std::uint8_t>(b.size() - 4);
        return b;
    };
    const std::uint32_t m = kZip64Marker32;
    struct Case {
        const char* what;
        Bytes bytes;
        std::uint64_t compressed, uncompressed, offset;
        bool zip64;
    };
    Bytes other = block({7}, 0x5455);  // another block first
    Bytes both = other;
    Bytes wide = block({5000000000ull, 6000000000ull, 7000000000ull});
    both.insert(both.end(), wide.begin(), wide.end());
    const Case cases[] = {
        {"no extra field", entry(10, 20, 30, 0, {}), 10, 20, 30, false},
        {"all three marked", entry(m, m, m, 0, wide), 6000000000ull, 5000000000ull, 7000000000ull, true},
        {"only the uncompressed size", entry(10, m, 30, 0, block({99})), 10, 99, 30, true},
        {"only the compressed size", entry(m, 20, 30, 0, block({98})), 98, 20, 30, true},
        {"only the offset", entry(10, 20, m, 0, block({97})), 10, 20, 97, true},
        {"sizes but no offset", entry(m, m, 30, 0, block({1, 2})), 2, 1, 30, true},
        {"block too short: the marker stays", entry(m, m, m, 0, block({1})), m, 1, m, true},
        {"a block nothing is marked for", entry(10, 20, 30, 0, block({1, 2, 3})), 10, 20, 30, true},
        {"after another block", entry(m, m, m, 0, both), 6000000000ull, 5000000000ull, 7000000000ull, true},
        {"another block only", entry(m, 20, 30, 0, other), m, 20, 30, false},
    };
    for (const Case& c : cases) {
        auto e = DecodeDirectoryEntry(c.bytes);
        ASSERT_TRUE(e) << c.what;
        EXPECT_EQ(e->compressedSize, c.compressed) << c.what;
        EXPECT_EQ(e->uncompressedSize, c.uncompressed) << c.what;
        EXPECT_EQ(e->localHeaderOffset, c.offset) << c.what;
        EXPECT_EQ(e->zip64, c.zip64) << c.what;
    }
    // A block that claims more bytes than the field holds ends the search.
    Bytes broken = block({1, 2});
    broken[2] = 200;
    auto e = DecodeDirectoryEntry(entry(m, m, 30, 0, broken));
    ASSERT_TRUE(e);
    EXPECT_FALSE(e->zip64);
    EXPECT_EQ(e->uncompressedSize, m);
    // A disk number marked too takes its 4 bytes after the others.
    Bytes withDisk = block({1, 2, 3});
    withDisk.insert(withDisk.end(), {5, 0, 0, 0});
    withDisk[2] = static_cast<std::uint8_t>(withDisk.size() - 4);
    e = DecodeDirectoryEntry(entry(m, m, m, kZip64Marker16, withDisk));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->startDisk, 5u);
    EXPECT_EQ(e->localHeaderOffset, 3u);
}

// How far each member may reach: to the next member's header, or to the directory.
TEST(ZipDirectory, MemberRoom) {
    auto room = [](std::vector<std::uint64_t> offsets, std::uint64_t start) {
        ZipDirectory directory;
        directory.start = start;
        for (std::uint64_t o : offsets) directory.entries.push_back({.localHeaderOffset = o});
        return MemberRoom(directory);
    };
    using Room = std::vector<std::uint64_t>;
    EXPECT_EQ(room({}, 100), Room{});
    EXPECT_EQ(room({0}, 100), (Room{100}));
    EXPECT_EQ(room({0, 40}, 100), (Room{40, 60}));
    EXPECT_EQ(room({40, 0}, 100), (Room{60, 40}));           // directory order need not be file order
    EXPECT_EQ(room({0, 0, 40}, 100), (Room{0, 0, 60}));      // a shared header gives both no room
    EXPECT_EQ(room({0, 40, 40, 40}, 100), (Room{40, 0, 0, 0}));
    EXPECT_EQ(room({0, 100, 150}, 100), (Room{100, 0, 0}));  // headers in or past the directory
    EXPECT_EQ(room({10, 20, 30}, 25), (Room{10, 5, 0}));
}

}  // namespace
}  // namespace zip_walk_test
}  // namespace vorne
