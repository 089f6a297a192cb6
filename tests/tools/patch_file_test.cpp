// Applying patch files takes memory by its windows, not by the sizes of the files.
#include "tools/patch_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "patch/patch_builder.h"
#include "patch/patch_error.h"
#include "support/address_space.h"
#include "support/temp_dir.h"

namespace vorne {
namespace patch_file_test {
namespace {

using test::Bytes;

// A 16 MiB ROM is patched, to new files, within 12 MiB of address space more than the process
// holds, so neither it nor its patched copy is ever held whole; and small patches that declare a
// target of almost 1 GiB are refused for their damage before anything is taken for that target.
TEST(PatchRomFile, TakesLittleMemoryWhateverTheSizes) {
    if (test::kSanitizersRun) GTEST_SKIP() << "the sanitizers need more address space than the limit";
    test::TempDir dir;
    Bytes rom(16 << 20);
    for (std::size_t i = 0; i < rom.size(); ++i) rom[i] = static_cast<std::uint8_t>(i * 11 + i / 1021);
    Bytes modified = rom;
    modified[1000] ^= 0x55;
    const std::size_t rest = rom.size() - 1001;
    const std::string romPath = dir.Write("rom.bin", rom);
    const std::string bps = dir.Write("p.bps", test::Bps(rom, modified, {{0, 1000}, {1, 1, 0, {modified[1000]}}, {0, rest}}));
    const std::string ups = dir.Write("p.ups", test::Ups(rom, modified));
    const std::uint64_t huge = (std::uint64_t{1} << 30) - 1;
    const std::string hugeBps = dir.Write("huge.bps", test::Close(test::BpsBody(rom.size(), huge, {{0, huge + 1}}), 0, 0));
    Bytes hugeUps{'U', 'P', 'S', '1'};
    test::PutNumber(hugeUps, rom.size());
    test::PutNumber(hugeUps, huge);
    test::PutNumber(hugeUps, huge + 1);  // a hunk past both sizes
    hugeUps.push_back(1);
    hugeUps.push_back(0);
    const std::string hugeUpsPath = dir.Write("huge.ups", test::Close(hugeUps, 0, 0));
    EXPECT_EXIT(
        {
            test::LimitAddressSpace(12ull << 20);
            bool asExpected = true;
            try {
                PatchRomFile(romPath, bps, dir / "from-bps.bin", false);
                PatchRomFile(romPath, ups, dir / "from-ups.bin", false);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s\n", e.what());
                asExpected = false;
            }
            for (const std::string& damaged : {hugeBps, hugeUpsPath}) {
                try {
                    PatchRomFile(romPath, damaged, dir / "none.bin", true);
                    asExpected = false;
                } catch (const PatchError& e) {
                    asExpected = asExpected && std::string(e.what()) == kPatchPastSizes;
                } catch (const std::exception& e) {
                    std::fprintf(stderr, "%s\n", e.what());
                    asExpected = false;
                }
            }
            std::_Exit(asExpected ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_TRUE(test::ReadFile(dir / "from-bps.bin") == modified);
    EXPECT_TRUE(test::ReadFile(dir / "from-ups.bin") == modified);
    EXPECT_TRUE(test::ReadFile(romPath) == rom);
}

}  // namespace
}  // namespace patch_file_test
}  // namespace vorne
