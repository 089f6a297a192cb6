// vorne-cli convert-n64: a copy in the asked byte order beside each image, never over a file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "images.h"
#include "support/temp_dir.h"

namespace vorne {
namespace convert_n64_test {
namespace {

using samples::Bytes;
using test::RunCli;

TEST(CliConvertN64, CopiesInEachOrder) {
    test::TempDir dir;
    const Bytes z64 = samples::MakeN64({.size = 0x1002});  // a last pair and no whole word
    Bytes v64 = z64, n64 = z64;
    for (std::size_t i = 0; i + 1 < z64.size(); i += 2) std::swap(v64[i], v64[i + 1]);
    for (std::size_t i = 0; i + 3 < z64.size(); i += 4) std::swap(n64[i], n64[i + 3]), std::swap(n64[i + 1], n64[i + 2]);
    const std::string source = dir.Write("Orbit.v64", v64);
    ASSERT_EQ(::chmod(source.c_str(), 0640), 0);
    struct Step {
        std::vector<std::string> args;
        int exitCode;
        std::string out;
        std::string err;  // a part of stderr
    };
    const Step steps[] = {
        {{"convert-n64", "z64", source}, 0, source.substr(0, source.size() - 3) + "z64\n", ""},
        {{"convert-n64", "N64", dir / "Orbit.z64"}, 0, dir / "Orbit.n64\n", ""},
        {{"convert-n64", "z64", source}, 0, "", "Orbit.z64 exists already; both are left as they are"},
        {{"convert-n64", "v64", source}, 0, "", "it is v64 already; left as it is"},
        {{"convert-n64", "x64", source}, 2, "", "convert-n64 takes z64, v64 or n64, not 'x64'"},
    };
    for (const Step& step : steps) {
        const auto result = RunCli(step.args);
        EXPECT_EQ(result.exitCode, step.exitCode) << test::CommandLine(step.args) << result.err;
        EXPECT_EQ(result.out, step.out) << test::CommandLine(step.args);
        EXPECT_NE(result.err.find(step.err), std::string::npos) << test::CommandLine(step.args) << result.err;
    }
    // A last pair is swapped back with the rest; two bytes that make no word stay as they are.
    EXPECT_EQ(test::ReadFile(dir / "Orbit.z64"), z64);
    EXPECT_EQ(test::ReadFile(dir / "Orbit.n64"), n64);
    struct stat st;
    ASSERT_EQ(::stat((dir / "Orbit.z64").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(test::ReadFile(source), v64);
}

}  // namespace
}  // namespace convert_n64_test
}  // namespace vorne
