// The sample collection: its DATs describe some of its files (and a game it lacks), and the
// generator takes no option for a folder to write into.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace vorne {
namespace samples_test {
namespace {

TEST(Samples, EachCartridgeKindHasADatToVerifyAgainst) {
    test::TempDir dir;
    const std::string out = dir / "collection";
    const auto made = test::RunProgram(VORNE_SAMPLES_PATH, {out});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const struct {
        std::string folder;
        std::string kind;
        std::string dat;
        std::string summary;  // copies of one game (.sfc and .smc, .bin and .smd) count once
    } cases[] = {
        {"gameboy", "gameboy", "Nintendo - Game Boy (samples).dat", "2 of 3 in DAT"},
        {"nes", "nes", "Nintendo - NES (samples).dat", "3 of 4 in DAT"},
        {"snes", "snes", "Nintendo - SNES (samples).dat", "2 of 3 in DAT"},
        {"n64", "n64", "Nintendo - N64 (samples).dat", "2 of 3 in DAT"},
        {"genesis", "genesis", "Sega - Mega Drive - Genesis (samples).zip", "2 of 3 in DAT"},
        {"32x", "32x", "Sega - 32X (samples).dat", "1 of 2 in DAT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        const auto verify = test::RunCli({"verify", out + "/" + c.folder, "--kind", c.kind, "--dat", out + "/dat/" + c.dat,
                                          "--subdirs", "--zip", "--no-cache"});
        ASSERT_EQ(verify.exitCode, 0) << verify.err;
        EXPECT_EQ(verify.err, "");
        EXPECT_NE(verify.out.find("\n" + c.summary + ", "), std::string::npos) << verify.out;
        EXPECT_NE(verify.out.find(", 0 bad\n"), std::string::npos) << verify.out;
    }
}

TEST(Samples, HelpIsNoFolder) {
    test::TempDir dir;
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    const auto help = test::RunProgram(VORNE_SAMPLES_PATH, {"--help"});
    const auto option = test::RunProgram(VORNE_SAMPLES_PATH, {"-x"});
    std::filesystem::current_path(before);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: vorne-samples OUTDIR"), std::string::npos);
    EXPECT_EQ(option.exitCode, 2);
    EXPECT_TRUE(test::ListFolder(dir.Path()).empty());
}

}  // namespace
}  // namespace samples_test
}  // namespace vorne
