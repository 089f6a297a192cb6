#include "archive/zip_walk.h"

#include <gtest/gtest.h>

#include "archive/zip_format.h"
#include "base/crc32.h"
#include "images.h"
#include "platform/file.h"
#include "support/temp_dir.h"
#include "zip_writer.h"

namespace vorne {
namespace {

using samples::Bytes;
using samples::ZipWriter;

struct Listed {
    std::string name;
    std::uint32_t crc, compressed, uncompressed;
    bool operator==(const Listed&) const = default;
};

std::vector<Listed> Walk(const Bytes& archive, int limit = kZipListingNameLimit) {
    test::TempDir dir;
    File file = File::OpenRead(dir.Write("a.zip", archive));
    std::vector<Listed> members;
    WalkLocalHeaders(file, limit, [&](const ZipMemberInfo& m) {
        members.push_back({m.name, m.crc, m.compressedSize, m.uncompressedSize});
    });
    return members;
}

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

TEST(ZipWalk, ListsMembersInArchiveOrder) {
    ZipWriter zip;
    Bytes one = samples::Filler(5000, 1);
    Bytes two = Text("hello hello hello hello");
    zip.Add({.name = "ONE.NES", .data = one});
    zip.AddFolder("sub");
    zip.Add({.name = "sub/two.txt", .data = two, .deflate = true});
    auto members = Walk(zip.Finish("a comment"));
    ASSERT_EQ(members.size(), 3u);
    EXPECT_EQ(members[0], (Listed{"ONE.NES", Crc32(one), 5000, 5000}));
    EXPECT_EQ(members[1].name, "sub/");
    EXPECT_EQ(members[2].name, "sub/two.txt");
    EXPECT_EQ(members[2].crc, Crc32(two));
    EXPECT_EQ(members[2].uncompressed, two.size());
    EXPECT_LT(members[2].compressed, two.size());
}

// Members whose sizes follow their data take them from the central directory, and the walk goes
// on to the members behind them; it never lists compressed bytes as members.
TEST(ZipWalk, DataDescriptorsTakeTheDirectorysValues) {
    for (bool signature : {true, false}) {
        ZipWriter zip;
        Bytes first = samples::Filler(70000, 2);
        Bytes second = samples::Filler(300, 3);
        zip.Add({.name = "first.bin", .data = first, .deflate = true, .dataDescriptor = true, .descriptorSignature = signature});
        zip.Add({.name = "second.bin", .data = second, .dataDescriptor = true, .descriptorSignature = signature});
        zip.Add({.name = "third.bin", .data = Text("abc")});
        auto members = Walk(zip.Finish());
        ASSERT_EQ(members.size(), 3u) << signature;
        EXPECT_EQ(members[0].crc, Crc32(first));
        EXPECT_EQ(members[0].uncompressed, 70000u);
        EXPECT_GT(members[0].compressed, 0u);
        EXPECT_EQ(members[1], (Listed{"second.bin", Crc32(second), 300, 300}));
        EXPECT_EQ(members[2].name, "third.bin");
    }
}

TEST(ZipWalk, StopsAtTheCentralDirectory) {
    // A member of 64 KiB or more: its directory entry, read as a local header, would pass the
    // name test, so the walk must stop at the signature.
    ZipWriter zip;
    zip.Add({.name = "big.bin", .data = samples::Filler(65536 + 10, 4)});
    auto members = Walk(zip.Finish());
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0].name, "big.bin");
}

TEST(ZipWalk, NameLimitsAndBadNames) {
    struct Case {
        std::size_t nameLength;
        char first;
        int limit;
        std::size_t listed;
    };
    const Case cases[] = {
        {258, 'A', kZipListingNameLimit, 1}, {258, 'A', kMemberWalkNameLimit, 0}, {300, 'A', kZipListingNameLimit, 0},
        {256, 'A', kMemberWalkNameLimit, 1}, {5, '\x1F', kZipListingNameLimit, 0}, {5, '\xC4', kZipListingNameLimit, 0},
    };
    for (const Case& c : cases) {
        ZipWriter zip;
        std::string name(c.nameLength, 'n');
        name[0] = c.first;
        zip.Add({.name = name, .data = Text("x")});
        EXPECT_EQ(Walk(zip.Finish(), c.limit).size(), c.listed) << c.nameLength << " " << c.limit;
    }
}

TEST(ZipWalk, DamagedArchivesEndTheWalkQuietly) {
    ZipWriter zip;
    zip.Add({.name = "a.bin", .data = samples::Filler(1000, 5)});
    zip.Add({.name = "b.bin", .data = samples::Filler(1000, 6)});
    Bytes whole = zip.Finish();
    for (std::size_t cut : {0u, 10u, 29u, 30u, 33u, 500u, 1040u, 1070u}) {
        Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        auto members = Walk(part);
        EXPECT_LE(members.size(), 2u) << cut;
        for (const Listed& m : members) EXPECT_TRUE(m.name == "a.bin" || m.name == "b.bin") << cut;
    }
    // A descriptor member without any central directory: listed with what its header says, and
    // the walk cannot go on past data of unknown length.
    ZipWriter lone;
    lone.Add({.name = "lone.bin", .data = samples::Filler(100, 7), .dataDescriptor = true});
    lone.Add({.name = "after.bin", .data = Text("z")});
    Bytes bytes = lone.Finish();
    auto end = FindEndRecord(bytes);
    ASSERT_TRUE(end);
    bytes.resize(DecodeEndRecord(std::span(bytes).subspan(*end)).directoryOffset);
    auto members = Walk(bytes);
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0], (Listed{"lone.bin", 0, 0, 0}));
}

TEST(ZipFormat, EndRecordSearchReachesPastLongComments) {
    for (std::size_t commentLength : {0u, 100u, 8171u, 65535u}) {
        ZipWriter zip;
        zip.Add({.name = "x.bin", .data = Text("data")});
        Bytes archive = zip.Finish(std::string(commentLength, 'c'));
        test::TempDir dir;
        File file = File::OpenRead(dir.Write("c.zip", archive));
        auto entries = ReadCentralDirectory(file);
        ASSERT_TRUE(entries) << commentLength;
        ASSERT_EQ(entries->size(), 1u);
        EXPECT_EQ((*entries)[0].name, "x.bin");
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

}  // namespace
}  // namespace vorne
