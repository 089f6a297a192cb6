// vorne-cli gb-checksum and delete-tag as a black box: stdout, stderr and the exit code.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "images.h"
#include "platform/file.h"

namespace vorne {
namespace {

using samples::Bytes;

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / ("vorne-cli-" + std::to_string(::getpid()) + "-" +
                                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string Put(const std::string& name, const Bytes& bytes) {
        std::string path = (folder / name).string();
        samples::WriteFile(path, bytes);
        return path;
    }

    Outcome Run(const std::string& arguments) {
        std::string out = (folder / "stdout").string(), err = (folder / "stderr").string();
        int status = std::system(("'" VORNE_CLI_PATH "' " + arguments + " >'" + out + "' 2>'" + err + "'").c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
    }

    static std::string Slurp(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::filesystem::path folder;
};

TEST_F(CliTest, GameboyChecksum) {
    Bytes image = samples::MakeGameboy({.title = "CLI", .romSizeCode = 1, .seed = 9});
    std::string stored = std::to_string(image[0x14E] << 8 | image[0x14F]) + "\n";  // the builder's own sum
    for (bool copier : {false, true}) {
        std::string path = Put("game.gb", samples::MakeGameboy({.title = "CLI", .romSizeCode = 1, .copierHeader = copier, .seed = 9}));
        Outcome result = Run("gb-checksum '" + path + "'");
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, stored);
        EXPECT_EQ(result.err, "");
    }
    EXPECT_EQ(Run("gb-checksum").exitCode, 2);
    Outcome missing = Run("gb-checksum '" + (folder / "none.gb").string() + "'");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("none.gb"), std::string::npos) << missing.err;
}

TEST_F(CliTest, DeleteTag) {
    Bytes tagged = samples::MakeMp3({.frames = 3, .title = "Song"});
    Bytes untagged = samples::MakeMp3({.frames = 3, .tagged = false});
    std::string path = Put("song.mp3", tagged);
    EXPECT_EQ(Run("delete-tag '" + path + "'").exitCode, 0);
    EXPECT_EQ(ReadWholeFile(path), Bytes(tagged.begin(), tagged.end() - 128));

    path = Put("plain.mp3", untagged);
    Outcome result = Run("delete-tag '" + path + "'");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadWholeFile(path), untagged);

    EXPECT_EQ(Run("delete-tag '" + (folder / "none.mp3").string() + "'").exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(folder / "none.mp3"));
}

TEST_F(CliTest, SetRefusesFieldsTheKindCannotWrite) {
    std::string path = Put("game.rom", samples::MakeN64({.size = 0x1000}));
    EXPECT_EQ(Run("set '" + path + "' --kind n64 1=x").exitCode, 3);
    EXPECT_EQ(Run("set '" + path + "' --kind n64 0=NEW").exitCode, 0);
    EXPECT_EQ(Run("show '" + path + "' --kind n64").out.substr(0, 28), "0 Internal Title: NEW\n1 File");
}

}  // namespace
}  // namespace vorne
