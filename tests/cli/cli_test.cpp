// vorne-cli as a black box: its output, its errors and its exit codes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "images.h"
#include "support/temp_dir.h"

namespace vorne {
namespace cli_test {
namespace {

using samples::Bytes;
using test::RunCli;
using test::SetPair;
using test::ShowLine;

TEST(Cli, UsageErrorsExitWithTwo) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
    };
    const Case cases[] = {
        {{"--help"}, 0},
        {{"help"}, 0},
        {{}, 2},
        {{"frobnicate"}, 2},
        {{"scan", "."}, 2},                              // no --kind
        {{"scan", ".", "--kind", "atari"}, 2},           // no such kind
        {{"scan", ".", "--kind", "nes", "--bogus"}, 2},  // no such option
        {{"scan", "--kind", "nes"}, 2},                  // no folder
        {{"show", "a", "b", "--kind", "nes"}, 2},
        {{"set", "x.nes", "--kind", "nes"}, 2},          // no pairs
        {{"set", "x.nes", "--kind", "nes", "drummer=3"}, 2},  // no field of that name
        {{"set", "x.nes", "--kind", "nes", "3"}, 2},          // no value
        {{"scan", ".", "--kind"}, 2},
    };
    for (const Case& c : cases) {
        auto result = RunCli(c.args);
        const std::string joined = test::CommandLine(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << joined << "\n" << result.err;
        if (c.exitCode == 2) {
            EXPECT_FALSE(result.err.empty()) << joined;
        }
    }
    auto help = RunCli({"--help"});
    for (const char* command : {"scan FOLDER", "show FILE", "set FILE", "remove-trainer FILE"}) {
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
    }
}

TEST(Cli, ScanOfAMissingFolderFails) {
    test::TempDir dir;
    auto result = RunCli({"scan", dir / "missing", "--kind", "nes"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("No such file or directory"), std::string::npos) << result.err;
}

TEST(Cli, ScanJsonIsOneObjectWithTheRowsInFinalOrder) {
    test::TempDir dir;
    Bytes image = samples::MakeNes({.prgBanks = 1, .chrBanks = 1, .flags6 = 0x01, .seed = 3});
    dir.Write("roms/b.nes", image);
    Bytes titled = image;
    std::string title = "Caf\xE9";  // Latin-1, not UTF-8
    titled.insert(titled.end(), title.begin(), title.end());
    dir.Write("roms/a.nes", titled);
    ASSERT_EQ(::symlink((dir / "nowhere").c_str(), (dir / "roms/unreadable.nes").c_str()), 0);
    dir.Write("empty.txt", {});

    auto result = RunCli({"scan", dir / "roms", "--kind", "NES", "--json", "--known-dumps", dir / "empty.txt"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("unreadable.nes: No such file or directory"), std::string::npos) << result.err;
    const std::string& out = result.out;
    EXPECT_TRUE(out.starts_with("{\"kind\": \"nes\", \"columns\": [\"CRC-32\", \"Filename\", \"Size\", \"Mapper\"")) << out;
    EXPECT_NE(out.find("\"Caf\xC3\xA9\""), std::string::npos) << out;  // each byte as its own code point
    EXPECT_NE(out.find("\"groups\": [[0, 1]]"), std::string::npos) << out;
    EXPECT_NE(out.find("\"duplicate\": true"), std::string::npos);
    EXPECT_NE(out.find("\"entryCount\": "), std::string::npos);
    EXPECT_NE(out.find("\"uniqueCount\": 1, \"status\": [\""), std::string::npos) << out;
    EXPECT_TRUE(out.ends_with("files per second\"]}\n")) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3);  // the object and its two rows
}

TEST(Cli, ShowSetAndRemoveTrainer) {
    test::TempDir dir;
    std::string path = dir.Write("t.nes", samples::MakeNes({.prgBanks = 1, .chrBanks = 0, .flags6 = 0x04, .seed = 8}));

    auto shown = RunCli({"show", path, "--kind", "1", "--json"});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_TRUE(shown.out.starts_with("{\"cells\": [\"")) << shown.out;
    EXPECT_NE(shown.out.find("\"" + path + "\", \"16912\", \"0\", \"16k\", \"0k\", \"Horizontal\", \"No\", \"Yes\""),
              std::string::npos) << shown.out;
    EXPECT_TRUE(shown.out.ends_with("], \"extra\": {}}\n")) << shown.out;

    Bytes before = test::ReadFile(path);
    auto refused = RunCli({"set", path, "--kind", "nes", SetPair(NesField::Mapper, "66"), SetPair(NesField::PrgRom, "9")});
    EXPECT_EQ(refused.exitCode, 3);
    EXPECT_EQ(test::ReadFile(path), before);  // nothing written when one field is refused

    auto set = RunCli({"set", path, "--kind", "nes", SetPair(NesField::Mapper, "66"), SetPair(NesField::Mirroring, "1"),
                       SetPair(NesField::InternalTitle, "My title")});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    auto after = RunCli({"show", path, "--kind", "nes"});
    EXPECT_NE(after.out.find(ShowLine(RomType::Nes, NesField::Mapper, "66")), std::string::npos) << after.out;
    EXPECT_NE(after.out.find(ShowLine(RomType::Nes, NesField::Mirroring, "Vertical")), std::string::npos);
    EXPECT_NE(after.out.find(ShowLine(RomType::Nes, NesField::InternalTitle, "My title")), std::string::npos);

    EXPECT_EQ(RunCli({"remove-trainer", path}).exitCode, 0);
    EXPECT_EQ(test::ReadFile(path).size(), before.size() + 128 - 512);
    auto again = RunCli({"remove-trainer", path});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("has no trainer"), std::string::npos) << again.err;

    auto missing = RunCli({"set", dir / "gone.nes", "--kind", "nes", SetPair(NesField::Mirroring, "1")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("gone.nes: No such file or directory"), std::string::npos) << missing.err;
}

// A known-dump list the user names must be there; the default one beside vorne-cli may be missing.
TEST(Cli, AKnownDumpListNamedButMissingIsAFailure) {
    test::TempDir dir;
    std::string image = dir.Write("roms/a.nes", samples::MakeNes({}));
    ::mkdir((dir / "folder.txt").c_str(), 0755);
    struct Case {
        std::string list;
        std::string reason;
    };
    const Case cases[] = {
        {dir / "none.txt", "No such file or directory"},
        {dir / "folder.txt", "Not a regular file"},
        {dir / "roms/a.nes/x.txt", "Not a directory"},
    };
    for (const Case& c : cases) {
        for (const std::vector<std::string>& command : {std::vector<std::string>{"scan", dir / "roms", "--kind", "nes"},
                                                        std::vector<std::string>{"show", image, "--kind", "nes"},
                                                        std::vector<std::string>{"scan", dir / "roms", "--kind", "gameboy"}}) {
            std::vector<std::string> args = command;
            args.insert(args.end(), {"--known-dumps", c.list});
            auto result = RunCli(args);
            EXPECT_EQ(result.exitCode, 1) << command[0] << " " << c.list;
            EXPECT_EQ(result.err, "vorne-cli: cannot read the known-dump list " + c.list + ": " + c.reason + "\n");
            EXPECT_EQ(result.out, "") << command[0] << " " << c.list;
        }
    }
    auto byDefault = RunCli({"scan", dir / "roms", "--kind", "nes"});
    EXPECT_EQ(byDefault.exitCode, 0);
    EXPECT_EQ(byDefault.err, "");
}

// Header bytes reach a terminal only as text that cannot steer it: `show` and the scan's table
// show control characters alike, as dots.
TEST(Cli, ControlCharactersShowAsDots) {
    struct Case {
        const char* what;
        std::string title;  // behind the image data, where the internal title stands
        std::string shown;
    };
    const Case cases[] = {
        {"an escape sequence", "\x1b[2J\x1b]0;x\x07Game", ".[2J.]0;x.Game"},
        {"tab, CR and DEL", "A\tB\rC\x7f", "A.B.C."},
        {"C1 controls in UTF-8", "a\xc2\x9b" "1m\xc2\x85z", "a.1m.z"},
        {"other UTF-8 stays", "Caf\xc3\xa9 \xc2\xa0\xe2\x82\xac", "Caf\xc3\xa9 \xc2\xa0\xe2\x82\xac"},
        {"C1 bytes in Latin-1", "Caf\xe9\x9b" "1m", "Caf\xe9.1m"},
        {"plain", "Plain Title", "Plain Title"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        std::string path = dir.Write("roms/t.nes", samples::MakeNes({.trailer = c.title}));
        auto shown = RunCli({"show", path, "--kind", "nes"});
        ASSERT_EQ(shown.exitCode, 0) << c.what << shown.err;
        EXPECT_NE(shown.out.find("\n10 Internal Title: " + c.shown + "\n"), std::string::npos) << c.what << "\n" << shown.out;
        auto scanned = RunCli({"scan", dir / "roms", "--kind", "nes"});
        ASSERT_EQ(scanned.exitCode, 0) << c.what << scanned.err;
        EXPECT_NE(scanned.out.find("  " + c.shown), std::string::npos) << c.what << "\n" << scanned.out;
        for (const std::string& out : {shown.out, scanned.out}) {
            EXPECT_EQ(out.find_first_of(std::string("\x1b\x07\x7f\t\r", 5)), std::string::npos) << c.what;
        }
    }
}

// A file name chooses its own bytes: every message that names a file, on stdout or stderr, shows
// its control characters as dots too.
TEST(Cli, FileNamesWithControlCharactersShowAsDots) {
    test::TempDir dir;
    const std::string name = "\x1b]0;owned\x07\x1b[2J";
    const std::string dotted = ".]0;owned..[2J";
    const samples::Bytes linear = samples::MakeGenesis({.size = 32768});
    dir.Write("g/" + name + ".bin", linear);
    dir.Write("g/" + name + ".smd", linear);  // the converted name is taken
    dir.Write("c/" + name + ".bin", linear);
    const std::vector<std::vector<std::string>> commands = {
        {"convert", "bin", dir / "g"},                      // a refusal naming both files
        {"convert", "bin", dir / ("c/" + name + ".bin")},  // the file it made, on stdout
        {"show", dir / (name + ".nes"), "--kind", "nes"},  // a missing file
        {"ips", dir / (name + ".nes"), dir / "p.ips", "-o", dir / "x"},
        {"tag", dir / (name + ".nes"), "--year", "1"},
        {"set", dir / (name + ".nes"), "--kind", "nes", SetPair(NesField::Mapper, "1")},
        {"extract", dir / (name + ".zip"), name},
    };
    for (const auto& args : commands) {
        auto result = RunCli(args);
        const std::string all = result.out + result.err;
        EXPECT_NE(all.find(dotted), std::string::npos) << test::CommandLine(args) << "\n" << all;
        EXPECT_EQ(all.find_first_of("\x1b\x07"), std::string::npos) << test::CommandLine(args);
    }
}

// A line feed in a file name cannot forge a line of its own on stderr or stdout: every message
// naming the file is one line, the line feed a dot.
TEST(Cli, FileNamesCannotForgeLines) {
    test::TempDir dir;
    const std::string forged = "vorne-cli: 0 problems";
    const std::string name = "evil\n" + forged;
    dir.Write("n/" + name + ".nes", samples::MakeNes({.flags6 = 0x04, .trailer = std::string(7680, 'x')}));  // an odd size
    dir.Write("n/" + name + ".mp3", samples::MakeMp3({.frames = 1}));
    dir.Write("n64/" + name + ".v64", samples::MakeN64({.byteSwapped = true}));
    const std::vector<std::vector<std::string>> commands = {
        {"remove-trainers", dir / "n"},                       // Bad Size, answered No
        {"tag", dir / ("n/" + name + ".nes"), "--year", "1"},  // not of the kind
        {"rename-from-tags", dir / "n", "--pattern", "%album%"},  // no album
        {"convert-n64", "z64", dir / "n64"},                   // the copy it made, on stdout
        {"show", dir / ("n/" + name + ".snes"), "--kind", "snes"},  // a missing file
    };
    for (const auto& args : commands) {
        auto result = RunCli(args);
        for (const std::string& out : {result.out, result.err}) {
            EXPECT_EQ(out.find("\n" + forged), std::string::npos) << test::CommandLine(args) << "\n" << out;
        }
        EXPECT_NE((result.out + result.err).find("evil." + forged), std::string::npos) << test::CommandLine(args);
    }
}

}  // namespace
}  // namespace cli_test
}  // namespace vorne
