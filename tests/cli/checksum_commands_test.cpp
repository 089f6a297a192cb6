// vorne-cli fix-checksum and the checksums show adds, as a black box.
#include <gtest/gtest.h>

#include <string>

#include "images.h"
#include "support/temp_dir.h"

namespace vorne {
namespace checksum_commands_test {
namespace {

using samples::Bytes;
using test::RunCli;

TEST(CliChecksum, CheckFixAndShow) {
    test::TempDir dir;
    Bytes right = samples::MakeGenesis({});
    const unsigned stored = right[0x18E] << 8 | right[0x18F];
    Bytes wrong = right;
    wrong[0x18E] ^= 0x10;
    char storedText[8], wrongText[8];
    std::snprintf(storedText, sizeof storedText, "0x%04X", stored);
    std::snprintf(wrongText, sizeof wrongText, "0x%04X", stored ^ 0x1000);
    const std::string path = dir.Write("game.bin", wrong);
    struct Step {
        std::vector<std::string> args;
        int exitCode;
        std::string out;
    };
    const Step steps[] = {
        {{"fix-checksum", path, "--kind", "genesis", "--check"}, 1,
         "Checksum: stored " + std::string(wrongText) + ", computed " + storedText + " (wrong)\n"},
        {{"show", path, "--kind", "genesis"}, 0, "Checksum: " + std::string(wrongText) + " (computed " + storedText + ")\n"},
        {{"fix-checksum", path, "--kind", "genesis"}, 0, "Checksum: " + std::string(wrongText) + " -> " + storedText + "\n"},
        {{"fix-checksum", path, "--kind", "genesis", "--check"}, 0,
         "Checksum: stored " + std::string(storedText) + ", computed " + storedText + "\n"},
        {{"fix-checksum", path, "--kind", "genesis"}, 0, "Checksum: " + std::string(storedText) + ", right already\n"},
    };
    for (const Step& step : steps) {
        const auto result = RunCli(step.args);
        EXPECT_EQ(result.exitCode, step.exitCode) << test::CommandLine(step.args) << result.err;
        EXPECT_TRUE(result.out.ends_with(step.out)) << test::CommandLine(step.args) << result.out;
    }
    EXPECT_EQ(test::ReadFile(path), right);
    EXPECT_NE(RunCli({"show", path, "--kind", "genesis", "--json"}).out.find("\"checksums\": {\"Checksum\": {\"stored\": \""),
              std::string::npos);
    const std::string mp3 = dir.Write("song.mp3", samples::MakeMp3({}));
    EXPECT_EQ(RunCli({"fix-checksum", mp3, "--kind", "mp3"}).exitCode, 2);
    const auto n64 = RunCli({"fix-checksum", dir.Write("short.z64", samples::MakeN64({})), "--kind", "n64", "--check"});
    EXPECT_EQ(n64.exitCode, 1);
    EXPECT_NE(n64.err.find("too short for the CRCs, which cover 0x1000 to 0x100FFF"), std::string::npos) << n64.err;
}

}  // namespace
}  // namespace checksum_commands_test
}  // namespace vorne
