// vorne-cli extract: which member a name finds, and what a failure says.
#include <gtest/gtest.h>

#include <filesystem>

#include "images.h"
#include "support/temp_dir.h"
#include "zip_writer.h"

namespace vorne {
namespace extract_test {
namespace {

using samples::Bytes;
using samples::ZipWriter;

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

TEST(Extract, FindsTheMemberTheNameMeans) {
    const std::string deep = std::string(250, 'P') + "/game.nes";  // cut at 254 it would end in "/gam"
    const std::string longName = std::string(296, 'L') + ".nes";
    ZipWriter zip;
    zip.Add({.name = deep, .data = Text("deep")});
    zip.Add({.name = "Game.nes", .data = Text("mixed")});
    zip.Add({.name = "GAME.NES", .data = Text("upper"), .deflate = true});
    zip.Add({.name = longName, .data = Text("long")});
    zip.Add({.name = "wide.bin", .data = Text("zip64"), .versionNeeded = 45, .zip64Local = true});
    test::TempDir dir;
    const std::string archive = dir.Write("x.zip", zip.Finish());
    struct Case {
        std::string member;
        const char* out;  // nullptr: not found
    };
    const Case cases[] = {
        {"GAME.NES", "upper"}, {"Game.nes", "mixed"}, {"game.nes", "mixed"},  {deep, "deep"},
        {"gam", nullptr},      {"game.ne", nullptr},  {longName, "long"},     {"WIDE.BIN", "zip64"},
    };
    for (const Case& c : cases) {
        const test::CommandResult r = test::RunCli({"extract", archive, c.member});
        if (c.out == nullptr) {
            EXPECT_EQ(r.exitCode, 1) << c.member;
            EXPECT_EQ(r.out, "") << c.member;
            EXPECT_NE(r.err.find("Could not find"), std::string::npos) << r.err;
        } else {
            EXPECT_EQ(r.exitCode, 0) << c.member << ": " << r.err;
            EXPECT_EQ(r.out, c.out) << c.member;
        }
    }
}

// The member a name finds is the one handed over or none is: a twin elsewhere in the archive
// never stands in for one that cannot be read, and a bare name several folders hold is refused.
TEST(Extract, NeverHandsOverAnotherMember) {
    ZipWriter zip;
    zip.Add({.name = "LOCKED.NES", .data = Text("secret"), .flags = 1});
    zip.Add({.name = "sub/LOCKED.NES", .data = Text("twin")});
    zip.Add({.name = "ODD.NES", .data = Text("odd"), .methodOverride = 6});
    zip.Add({.name = "sub/ODD.NES", .data = Text("twin")});
    zip.Add({.name = "a/game.nes", .data = Text("a")});
    zip.Add({.name = "b/Game.nes", .data = Text("b")});
    test::TempDir dir;
    const std::string archive = dir.Write("x.zip", zip.Finish());
    const std::pair<const char*, const char*> failures[] = {
        {"LOCKED.NES", "file LOCKED.NES is encrypted"},
        {"odd.nes", "compression method for file ODD.NES unsupported"},
        {"game.nes", "GAME.NES is in several folders; name one of these whole:\n    a/game.nes\n    b/Game.nes"},
    };
    for (const auto& [member, reason] : failures) {
        const test::CommandResult r = test::RunCli({"extract", archive, member, "-o", dir / "out.nes"});
        EXPECT_EQ(r.exitCode, 1) << member;
        EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.nes")) << member;
    }
    EXPECT_EQ(test::RunCli({"extract", archive, "B/GAME.NES"}).out, "b");
}

TEST(Extract, SaysWhyItFails) {
    ZipWriter overlapping;
    overlapping.Add({.name = "A.NES", .data = samples::Filler(1000, 1)});
    overlapping.Add({.name = "B.NES", .data = samples::Filler(1000, 1), .localHeaderOffset = 0, .directoryOnly = true});
    ZipWriter damaged;
    damaged.Add({.name = "A.NES", .data = samples::Filler(70000, 2), .deflate = true, .local = {.crc = 1}});
    const std::pair<Bytes, std::string> cases[] = {
        {damaged.Finish(), "Error in zipfile x.zip: CRC-32 of file A.NES does not match"},
        {ZipWriter().Finish(), "Empty zipfile x.zip: zipfile holds no members"},
        {overlapping.Finish(), "Error in zipfile x.zip: file A.NES overlaps another member or the central directory"},
        {Text("not an archive at all"), "Error in zipfile x.zip: couldn't find 'end of central dir' signature"},
    };
    for (const auto& [bytes, reason] : cases) {
        test::TempDir dir;
        const test::CommandResult r = test::RunCli({"extract", dir.Write("x.zip", bytes), "a.nes"});
        EXPECT_EQ(r.exitCode, 1) << reason;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("span disks"), std::string::npos) << r.err;
        EXPECT_EQ(test::RunCli({"extract", dir / "x.zip", "a.nes", "-o", dir / "a.nes"}).exitCode, 1) << reason;
        EXPECT_FALSE(std::filesystem::exists(dir / "a.nes")) << reason;
    }
}

}  // namespace
}  // namespace extract_test
}  // namespace vorne
