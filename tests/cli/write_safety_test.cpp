// vorne-cli with files that are not what they seem, files too short for their header, several
// fields at once and a file-size limit: every command ends, and a file is changed whole or not at all.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "images.h"
#include "support/temp_dir.h"

namespace vorne {
namespace write_safety_test {
namespace {

using samples::Bytes;
using test::RunCli;

// FIFOs named like the files a command takes would hold an open until a writer came; folders and
// devices are no files either. Each command refuses them at once.
TEST(CliSafety, CommandsRefuseWhatIsNoRegularFile) {
    test::TempDir dir;
    for (const char* name : {"pipe.nes", "pipe.gb", "pipe.mp3", "pipe.zip"}) {
        ASSERT_EQ(::mkfifo((dir / name).c_str(), 0644), 0);
    }
    const std::vector<std::string> commands[] = {
        {"show", dir / "pipe.nes", "--kind", "nes"},
        {"set", dir / "pipe.nes", "--kind", "nes", test::SetPair(NesField::Mirroring, "1")},
        {"remove-trainer", dir / "pipe.nes"},
        {"gb-checksum", dir / "pipe.gb"},
        {"delete-tag", dir / "pipe.mp3"},
        {"extract", dir / "pipe.zip", "game.nes"},
        {"show", dir.Path(), "--kind", "nes"},
        {"gb-checksum", "/dev/zero"},
        {"show", "/dev/null", "--kind", "mp3"},
    };
    for (const auto& args : commands) {
        auto result = RunCli(args);
        EXPECT_EQ(result.exitCode, 1) << test::CommandLine(args) << "\n" << result.err;
        EXPECT_FALSE(result.err.empty()) << test::CommandLine(args);
        EXPECT_EQ(result.out, "") << test::CommandLine(args);
    }
    EXPECT_NE(RunCli({"show", dir.Path(), "--kind", "nes"}).err.find("Not a regular file"), std::string::npos);
}

TEST(CliSafety, ScanNamesWhatIsNoRegularFileAndGoesOn) {
    test::TempDir dir;
    dir.Write("roms/good.nes", samples::MakeNes({}));
    dir.Write("roms/real.zip", {});
    dir.Write("nescrcs.txt", {});
    for (const char* name : {"roms/pipe.nes", "roms/pipe.zip"}) ASSERT_EQ(::mkfifo((dir / name).c_str(), 0644), 0);
    struct Case {
        const char* kind;
        std::vector<std::string> named;
    };
    const Case cases[] = {
        {"nes", {"pipe.nes: Not a regular file", "pipe.zip: Not a regular file"}},
        {"zip", {"pipe.zip: Not a regular file"}},
    };
    for (const Case& c : cases) {
        auto result = RunCli({"scan", dir / "roms", "--kind", c.kind, "--zip", "--json", "--known-dumps", dir / "nescrcs.txt"});
        EXPECT_EQ(result.exitCode, 0) << c.kind << "\n" << result.err;
        for (const std::string& problem : c.named) {
            EXPECT_NE(result.err.find(problem), std::string::npos) << c.kind << "\n" << result.err;
        }
    }
    EXPECT_NE(RunCli({"scan", dir / "roms", "--kind", "nes"}).out.find("good.nes"), std::string::npos);
}

// A set that cannot be written whole writes nothing: no pair is written before every pair is
// known to fit, and no kind grows a file that is too short for its header.
TEST(CliSafety, SetWritesAllPairsOrNone) {
    Bytes nes = samples::MakeNes({});
    nes.resize(nes.size() - 6);  // length mod 512 is 10: no place for a title
    struct Case {
        const char* what;
        const char* kind;
        Bytes file;
        std::vector<std::string> pairs;
    };
    const Case cases[] = {
        {"an empty NES file", "nes", {}, {test::SetPair(NesField::Mirroring, "1")}},
        {"an empty NES file, mapper", "nes", {}, {test::SetPair(NesField::Mapper, "4")}},
        {"a short NES file", "nes", Bytes(7, 'N'), {test::SetPair(NesField::Reserved, "sig")}},
        {"the second of two pairs does not fit", "gameboy", Bytes(0x14C, 1),
         {test::SetPair(GameboyField::Title, "NEW"), test::SetPair(GameboyField::Checksum, "1")}},
        {"no place for an NES title", "nes", nes,
         {test::SetPair(NesField::Mapper, "66"), test::SetPair(NesField::InternalTitle, "Title")}},
        {"an empty N64 file", "n64", {}, {test::SetPair(N64Field::Title, "T")}},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        std::string path = dir.Write("rom", c.file);
        std::vector<std::string> args = {"set", path, "--kind", c.kind};
        args.insert(args.end(), c.pairs.begin(), c.pairs.end());
        auto result = RunCli(args);
        EXPECT_EQ(result.exitCode, 1) << c.what << "\n" << result.err;
        EXPECT_FALSE(result.err.empty()) << c.what;
        EXPECT_EQ(test::ReadFile(path), c.file) << c.what;
    }
}

// A value the kind's rules store nothing for is no failure, but the user is told.
TEST(CliSafety, SetSaysWhenAFieldIsLeftAsItIs) {
    struct Case {
        const char* what;
        std::uint8_t oldLicensee;
        GameboyField field;
        const char* value;
        bool told;
    };
    const Case cases[] = {
        {"a licensee while the new licensee code applies", 0x33, GameboyField::Licensee, "5", true},
        {"the Super GB mark on an image without it", 0x01, GameboyField::SuperGameboy, "1", true},
        {"a licensee stored as the old code", 0x01, GameboyField::Licensee, "5", false},
        {"the Super GB mark cleared", 0x33, GameboyField::SuperGameboy, "0", false},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        Bytes image = samples::MakeGameboy({.oldLicensee = c.oldLicensee});
        std::string path = dir.Write("game.gb", image);
        auto result = RunCli({"set", path, "--kind", "gameboy", test::SetPair(c.field, c.value)});
        EXPECT_EQ(result.exitCode, 0) << c.what << "\n" << result.err;
        const std::string told = "field " + std::to_string(FieldNumber(c.field)) + " left as it is";
        EXPECT_EQ(result.err.find(told) != std::string::npos, c.told)
            << c.what << "\n" << result.err;
        if (c.told) {
            EXPECT_EQ(test::ReadFile(path), image) << c.what;
        }
    }
}

// Under a file-size limit an append fails with an error, and what part of it was written goes
// again; the process is not killed half-way.
TEST(CliSafety, AppendsUnderAFileSizeLimitRollBack) {
    struct Case {
        const char* what;
        Bytes file;
        std::vector<std::string> args;  // the path comes after the command
    };
    const Case cases[] = {
        {"an MP3 tag", samples::MakeMp3({.frames = 3, .tagged = false}),
         {"set", "--kind", "mp3", test::SetPair(Mp3Field::Title, "Song")}},
        {"an NES title", samples::MakeNes({}), {"set", "--kind", "nes", test::SetPair(NesField::InternalTitle, "A title")}},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        std::string path = dir.Write("file", c.file);
        std::vector<std::string> args = c.args;
        args.insert(args.begin() + 1, path);
        test::CommandResult result;
        {
            test::FileSizeLimit limit(c.file.size() + 64);
            result = RunCli(args);
        }
        EXPECT_EQ(result.exitCode, 1) << c.what << "\n" << result.err;
        EXPECT_NE(result.err.find("File too large"), std::string::npos) << c.what << "\n" << result.err;
        EXPECT_EQ(test::ReadFile(path), c.file) << c.what;
    }
}

TEST(CliSafety, RemoveTrainerLeavesWhatIsNoNesImageAlone) {
    test::TempDir dir;
    Bytes text(2000, 'x');
    std::copy_n("Dear diary", 10, text.begin());  // byte 6 is 'd', whose bit 2 is set
    std::string path = dir.Write("notes.nes", text);
    auto result = RunCli({"remove-trainer", path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("not an iNES image"), std::string::npos) << result.err;
    EXPECT_EQ(test::ReadFile(path), text);
}

}  // namespace
}  // namespace write_safety_test
}  // namespace vorne
