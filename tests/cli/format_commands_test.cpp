// vorne-cli gb-checksum and delete-tag as a black box: stdout, stderr and the exit code.
#include <gtest/gtest.h>

#include <filesystem>

#include "images.h"
#include "support/temp_dir.h"

namespace vorne {
namespace format_commands_test {
namespace {

using samples::Bytes;
using test::RunCli;
using test::SetPair;
using test::ShowLine;

TEST(CliFormats, GameboyChecksum) {
    test::TempDir dir;
    Bytes image = samples::MakeGameboy({.title = "CLI", .romSizeCode = 1, .seed = 9});
    std::string stored = std::to_string(image[0x14E] << 8 | image[0x14F]) + "\n";  // the builder's own sum
    for (bool copier : {false, true}) {
        std::string path =
            dir.Write("game.gb", samples::MakeGameboy({.title = "CLI", .romSizeCode = 1, .copierHeader = copier, .seed = 9}));
        auto result = RunCli({"gb-checksum", path});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, stored) << "copier " << copier;
        EXPECT_EQ(result.err, "");
    }
    EXPECT_EQ(RunCli({"gb-checksum"}).exitCode, 2);
    auto missing = RunCli({"gb-checksum", dir / "none.gb"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("none.gb"), std::string::npos) << missing.err;
}

TEST(CliFormats, DeleteTag) {
    test::TempDir dir;
    Bytes tagged = samples::MakeMp3({.frames = 3, .title = "Song"});
    Bytes untagged = samples::MakeMp3({.frames = 3, .tagged = false});
    std::string path = dir.Write("song.mp3", tagged);
    EXPECT_EQ(RunCli({"delete-tag", path}).exitCode, 0);
    EXPECT_EQ(test::ReadFile(path), Bytes(tagged.begin(), tagged.end() - 128));

    path = dir.Write("plain.mp3", untagged);
    auto result = RunCli({"delete-tag", path});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(test::ReadFile(path), untagged);

    EXPECT_EQ(RunCli({"delete-tag", dir / "none.mp3"}).exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "none.mp3"));
    EXPECT_EQ(RunCli({"delete-tag", path, "--kind", "mp3"}).exitCode, 2);
}

TEST(CliFormats, SetAndShowTheNewKinds) {
    test::TempDir dir;
    std::string path = dir.Write("game.rom", samples::MakeN64({.size = 0x1000}));
    EXPECT_EQ(RunCli({"set", path, "--kind", "n64", SetPair(N64Field::Filename, "x")}).exitCode, 3);
    EXPECT_EQ(RunCli({"set", path, "--kind", "n64", SetPair(N64Field::Title, "NEW")}).exitCode, 0);
    EXPECT_TRUE(RunCli({"show", path, "--kind", "n64"}).out.starts_with(ShowLine(RomType::N64, N64Field::Title, "NEW")));
    path = dir.Write("game.gb", samples::MakeGameboy({.cartridgeType = 0x13}));
    EXPECT_NE(RunCli({"show", path, "--kind", "gameboy"})
                  .out.find(ShowLine(RomType::Gameboy, GameboyField::Type, "ROM+MBC3+RAM+BATT") +
                            ShowLine(RomType::Gameboy, GameboyField::TypeCode, "19")),
              std::string::npos);
}

}  // namespace
}  // namespace format_commands_test
}  // namespace vorne
