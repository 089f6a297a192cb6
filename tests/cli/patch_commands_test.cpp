// vorne-cli patch and make-patch as a black box: what they print, their exit codes, and which
// files they change.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "patch/patch_builder.h"
#include "support/temp_dir.h"

namespace vorne {
namespace patch_commands_test {
namespace {

using test::Bytes;
using test::RunCli;

Bytes Counting(std::size_t size) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(i * 13 + i / 256);
    return b;
}

std::string Hex(std::uint32_t crc) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", crc);
    return text;
}

TEST(CliPatch, AppliesRefusesAndForces) {
    test::TempDir dir;
    const Bytes original = Counting(8192);
    Bytes modified = original;
    modified[7] = 0xEE;
    modified.resize(9000, 0x11);
    Bytes other = original;
    other[0] ^= 1;
    Bytes headered(512 + original.size(), 0xCC);
    std::copy(original.begin(), original.end(), headered.begin() + 512);
    Bytes headeredModified(512 + modified.size(), 0xCC);
    std::copy(modified.begin(), modified.end(), headeredModified.begin() + 512);
    const std::string ups = dir.Write("p.ups", test::Ups(original, modified));
    Bytes damaged = test::Ups(original, modified);
    damaged[6] ^= 1;
    dir.Write("damaged.ups", damaged);
    const std::string sourceText = "This patch is for a ROM with CRC-32 " + Hex(test::ZlibCrc(original)) + "; this file is " +
                                   Hex(test::ZlibCrc(other)) + ".";
    struct Case {
        const char* what;
        Bytes file;
        std::vector<std::string> extra;  // after TARGET PATCH
        int exitCode;
        std::string out;
        std::string errStart;  // stderr begins so
        Bytes after;           // the target afterwards
    };
    const Case cases[] = {
        {"in place", original, {}, 0, "UPS patch applied.\n", "", modified},
        {"behind a copier header", headered, {}, 0, "UPS patch applied (the 512-byte header kept).\n", "", headeredModified},
        {"another ROM", other, {}, 1, "", "vorne-cli: " + sourceText + "\n", other},
        {"another ROM, forced", other, {"--force"}, 0, "UPS patch applied.\n", "vorne-cli: warning: " + sourceText + "\n", {}},
        {"a damaged patch, forced", original, {"--force"}, 1, "", "vorne-cli: The patch is damaged: it says its CRC-32 is ",
         original},
    };
    for (const Case& c : cases) {
        const std::string target = dir.Write("rom.sfc", c.file);
        std::vector<std::string> args{"patch", target, std::string(c.what).find("damaged") != std::string::npos ? dir / "damaged.ups" : ups};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const auto result = RunCli(args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.what << "\n" << result.err;
        EXPECT_EQ(result.out, c.out) << c.what;
        EXPECT_TRUE(result.err.starts_with(c.errStart)) << c.what << ": " << result.err;
        if (!c.after.empty()) {
            EXPECT_EQ(test::ReadFile(target), c.after) << c.what;
        }
    }
    // To a new file: the target stays as it was, with no file left behind on a refusal.
    const std::string target = dir.Write("rom.sfc", original);
    EXPECT_EQ(RunCli({"patch", target, ups, "-o", dir / "new.sfc"}).exitCode, 0);
    EXPECT_EQ(test::ReadFile(dir / "new.sfc"), modified);
    EXPECT_EQ(test::ReadFile(target), original);
    const std::string otherRom = dir.Write("other.sfc", other);
    EXPECT_EQ(RunCli({"patch", otherRom, ups, "-o", dir / "none.sfc"}).exitCode, 1);
    EXPECT_EQ(test::ListFolder(dir.Path()), (std::vector<std::string>{"damaged.ups", "new.sfc", "other.sfc", "p.ups", "rom.sfc"}));
    for (const std::vector<std::string>& usage : {std::vector<std::string>{"patch", target}, {"make-patch", target, target},
                                                   {"make-patch", target, target, "-o", dir / "x.ups"}}) {
        EXPECT_EQ(RunCli(usage).exitCode, 2) << test::CommandLine(usage);
    }
}

// -o takes a file name: an empty one is refused, not taken for "in place". A new file is a copy of
// the target and takes its permission bits (less setuid and setgid), as ips -o gives them.
TEST(CliPatch, OutputNamesANewFileWithTheTargetsMode) {
    test::TempDir dir;
    const Bytes original = Counting(3000);
    Bytes modified = original;
    modified[5] ^= 0x40;
    const std::string ups = dir.Write("p.ups", test::Ups(original, modified));
    const std::string target = dir.Write("rom.bin", original);
    const auto empty = RunCli({"patch", target, ups, "-o", ""});
    EXPECT_EQ(empty.exitCode, 2) << empty.err;
    EXPECT_EQ(test::ReadFile(target), original);

    const mode_t mask = ::umask(0);
    ::umask(mask);
    for (mode_t mode : {mode_t{0600}, mode_t{0750}, mode_t{04755}}) {
        ASSERT_EQ(::chmod(target.c_str(), mode), 0);
        const std::string out = dir / ("new" + std::to_string(mode) + ".bin");
        ASSERT_EQ(RunCli({"patch", target, ups, "-o", out}).exitCode, 0);
        struct stat st;
        ASSERT_EQ(::stat(out.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode & 0777 & ~mask) << std::oct << mode;
        EXPECT_EQ(test::ReadFile(out), modified);
    }
}

TEST(CliPatch, MakePatchWritesWhatAppliesBack) {
    test::TempDir dir;
    const Bytes original = Counting(20000);
    Bytes modified = original;
    std::rotate(modified.begin(), modified.begin() + 3000, modified.end());
    modified.push_back(9);
    const std::string a = dir.Write("a.bin", original);
    const std::string b = dir.Write("b.bin", modified);
    for (const char* name : {"p.bps", "p.IPS"}) {
        const auto made = RunCli({"make-patch", a, b, "-o", dir / name});
        EXPECT_EQ(made.exitCode, 0) << made.err;
        struct stat st;
        ASSERT_EQ(::stat((dir / name).c_str(), &st), 0);
        EXPECT_EQ(made.out, std::string(name[2] == 'b' ? "BPS" : "IPS") + " patch written: " + std::to_string(st.st_size) + " bytes.\n");
        const auto applied = RunCli({"patch", a, dir / name, "-o", dir / "out.bin"});
        EXPECT_EQ(applied.exitCode, 0) << applied.err;
        EXPECT_EQ(test::ReadFile(dir / "out.bin"), modified) << name;
    }
    const auto shrink = RunCli({"make-patch", b, dir.Write("short.bin", Counting(10)), "-o", dir / "short.ips"});
    EXPECT_EQ(shrink.exitCode, 1);
    EXPECT_EQ(shrink.err, "vorne-cli: IPS cannot make a file shorter; make a BPS patch instead.\n");
    struct stat st;
    EXPECT_NE(::stat((dir / "short.ips").c_str(), &st), 0);
}

}  // namespace
}  // namespace patch_commands_test
}  // namespace vorne
