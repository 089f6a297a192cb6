// vorne-cli where standard output fails, and on images far larger than the memory it may use.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/crc32.h"
#include "images.h"
#include "support/address_space.h"
#include "support/temp_dir.h"
#include "zip_writer.h"

namespace vorne {
namespace cli_output_test {
namespace {

using samples::Bytes;

struct Outcome {
    int exitCode = -1;
    std::string out;  // when standard output went to a file of ours
    std::string err;
};

// Runs vorne-cli with standard output on `standardOutput` (-1: a file that is collected) and, when
// `addressSpace` is set, at most that many bytes of address space.
Outcome RunCliWith(const std::vector<std::string>& args, int standardOutput, rlim_t addressSpace = RLIM_INFINITY) {
    test::TempDir scratch;
    int out = standardOutput >= 0 ? standardOutput : ::open((scratch / "out").c_str(), O_WRONLY | O_CREAT, 0600);
    int err = ::open((scratch / "err").c_str(), O_WRONLY | O_CREAT, 0600);
    std::vector<std::string> argv = {test::CliPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (auto& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    pid_t child = ::fork();
    if (child == 0) {
        const rlimit limit{addressSpace, addressSpace};
        if (::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 || ::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(126);
        ::execv(argv[0].c_str(), raw.data());
        ::_exit(127);
    }
    if (standardOutput < 0) ::close(out);
    ::close(err);
    int status = 0;
    ::waitpid(child, &status, 0);
    Outcome outcome;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    auto text = [](const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); };
    if (standardOutput < 0) outcome.out = text(test::ReadFile(scratch / "out"));
    outcome.err = text(test::ReadFile(scratch / "err"));
    return outcome;
}

// Commands whose output is small (it fails when flushed) and large (it fails while written).
std::vector<std::vector<std::string>> CommandsWithOutput(const test::TempDir& dir) {
    dir.Write("one/a.nes", samples::MakeNes({}));
    for (int i = 0; i < 200; ++i) dir.Write("many/game" + std::to_string(i) + ".nes", samples::MakeNes({.seed = static_cast<std::uint32_t>(i)}));
    std::string gb = dir.Write("a.gb", samples::MakeGameboy({}));
    samples::ZipWriter zip;
    zip.Add({.name = "big.nes", .data = samples::Filler(1 << 20, 4), .deflate = true});
    std::string archive = dir.Write("pack.zip", zip.Finish());
    return {
        {"show", dir / "one/a.nes", "--kind", "nes"},
        {"show", dir / "one/a.nes", "--kind", "nes", "--json"},
        {"scan", dir / "many", "--kind", "nes"},
        {"scan", dir / "many", "--kind", "nes", "--json"},
        {"gb-checksum", gb},
        {"extract", archive, "big.nes"},
        {"--help"},
    };
}

TEST(CliOutput, AFullDiskIsAFailureToldOnce) {
    test::TempDir dir;
    for (const auto& args : CommandsWithOutput(dir)) {
        int full = ::open("/dev/full", O_WRONLY);
        ASSERT_GE(full, 0);
        Outcome outcome = RunCliWith(args, full);
        ::close(full);
        EXPECT_EQ(outcome.exitCode, 1) << test::CommandLine(args);
        EXPECT_EQ(outcome.err, "vorne-cli: cannot write to standard output: No space left on device\n") << test::CommandLine(args);
    }
}

// A reader that stops reading (`| head -1`) is no failure: the command ends quietly.
TEST(CliOutput, AClosedPipeEndsTheCommandQuietly) {
    test::TempDir dir;
    for (const auto& args : CommandsWithOutput(dir)) {
        int pipeEnds[2];
        ASSERT_EQ(::pipe(pipeEnds), 0);
        ::close(pipeEnds[0]);
        Outcome outcome = RunCliWith(args, pipeEnds[1]);
        ::close(pipeEnds[1]);
        EXPECT_EQ(outcome.exitCode, 0) << test::CommandLine(args);
        EXPECT_EQ(outcome.err, "") << test::CommandLine(args);
    }
}

// A 256 MiB image (a sparse file: no disk used) is read in chunks, so 64 MiB of address space is
// plenty. The sanitizers reserve far more than that for themselves, so they skip this.
TEST(CliOutput, HugeImagesNeedLittleMemory) {
    if (test::kSanitizersRun) GTEST_SKIP() << "the sanitizers need more address space than the limit";
    constexpr std::int64_t kImage = std::int64_t{256} << 20;
    test::TempDir dir;
    auto sparse = [&](const std::string& name, std::int64_t size, const std::vector<std::pair<std::int64_t, Bytes>>& pokes) {
        std::string path = dir.Write(name, {});
        int fd = ::open(path.c_str(), O_WRONLY);
        EXPECT_EQ(::ftruncate(fd, size), 0);
        for (const auto& [at, bytes] : pokes) EXPECT_EQ(::pwrite(fd, bytes.data(), bytes.size(), at), static_cast<ssize_t>(bytes.size()));
        ::close(fd);
        return path;
    };
    std::string nes = sparse("big.nes", 16 + kImage + 4, {{0, {'N', 'E', 'S', 0x1A, 0, 0, 0x01}}, {16 + kImage, {'B', 'I', 'G', '!'}}});
    std::vector<std::uint8_t> zeros(1 << 20);
    std::uint32_t crc = 0;
    for (int i = 0; i < 256; ++i) crc = Crc32(zeros, crc);
    char crcText[9];
    std::snprintf(crcText, sizeof crcText, "%08x", crc);
    std::string gb = sparse("big.gb", kImage, {{0x134, {'B', 'I', 'G'}}, {0x14E, {0x12, 0x34}}, {kImage - 1, {0xFF}}});

    struct Case {
        std::vector<std::string> args;
        std::string expected;  // a line of the output
    };
    const Case cases[] = {
        {{"show", nes, "--kind", "nes"}, test::ShowLine(RomType::Nes, NesField::Crc, crcText)},
        {{"show", nes, "--kind", "nes"}, test::ShowLine(RomType::Nes, NesField::InternalTitle, "BIG!")},
        {{"gb-checksum", gb}, std::to_string('B' + 'I' + 'G' + 0xFF) + "\n"},
    };
    for (const Case& c : cases) {
        Outcome outcome = RunCliWith(c.args, -1, rlim_t{64} << 20);
        EXPECT_EQ(outcome.exitCode, 0) << test::CommandLine(c.args) << outcome.err;
        EXPECT_NE(outcome.out.find(c.expected), std::string::npos) << test::CommandLine(c.args) << outcome.out;
    }
}

}  // namespace
}  // namespace cli_output_test
}  // namespace vorne
