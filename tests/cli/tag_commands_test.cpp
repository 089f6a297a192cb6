// vorne-cli's MP3 tag commands beyond ID3v1, as a black box.
#include <gtest/gtest.h>

#include "images.h"
#include "support/temp_dir.h"

namespace vorne {
namespace {

using samples::Bytes;
using test::RunCli;

TEST(CliTags, AddsAndDeletesId3v2Tags) {
    test::TempDir dir;
    const Bytes plain = samples::MakeMp3({.frames = 1, .tagged = false});
    const std::string path = dir.Write("a.mp3", plain);
    auto tags = [&] {
        auto shown = RunCli({"show", path, "--kind", "mp3"});
        EXPECT_EQ(shown.exitCode, 0) << shown.err;
        const std::size_t at = shown.out.find("8 Tags: ");
        return shown.out.substr(at, shown.out.find('\n', at) + 1 - at);
    };

    ASSERT_EQ(RunCli({"tag", path, "--title", "Song"}).exitCode, 0);
    EXPECT_EQ(tags(), "8 Tags: ID3v1\n");  // no ID3v2 tag unless asked
    auto added = RunCli({"set", path, "--kind", "mp3", "3=Band", "--id3v2"});
    ASSERT_EQ(added.exitCode, 0) << added.err;
    EXPECT_EQ(tags(), "8 Tags: ID3v1 + ID3v2.3\n");
    EXPECT_EQ(test::ReadFile(path)[0], 'I');

    auto removed = RunCli({"tag", path, "--delete-id3v2"});
    ASSERT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_EQ(tags(), "8 Tags: ID3v1\n");
    const Bytes left = test::ReadFile(path);
    ASSERT_EQ(left.size(), plain.size() + 128);
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), left.begin()));
    EXPECT_EQ(RunCli({"tag", path, "--delete-id3v2"}).exitCode, 0);  // nothing left to delete
    EXPECT_EQ(test::ReadFile(path), left);
}

TEST(CliTags, TagsFromNamesAndNamesFromTags) {
    test::TempDir dir;
    dir.Write("m/Band - Song.mp3", samples::MakeMp3({.frames = 1, .tagged = false}));
    dir.Write("m/odd.mp3", samples::MakeMp3({.frames = 1, .tagged = false}));
    auto tagged = RunCli({"tag", dir / "m", "--from-name", "%artist% - %title%"});
    EXPECT_EQ(tagged.exitCode, 0) << tagged.err;
    EXPECT_NE(tagged.err.find("odd.mp3: the name does not fit the pattern"), std::string::npos) << tagged.err;
    EXPECT_EQ(RunCli({"tag", dir / "m", "--from-name", "%artist%%title%"}).exitCode, 2);

    auto planned = RunCli({"rename-from-tags", dir / "m/Band - Song.mp3", "--pattern", "%title% (%artist%)", "--dry-run"});
    EXPECT_EQ(planned.exitCode, 0) << planned.err;
    EXPECT_EQ(planned.out, dir / "m/Band - Song.mp3" + " -> " + dir / "m/Song (Band).mp3" + "\n");
    EXPECT_EQ(test::ListFolder(dir / "m"), (std::vector<std::string>{"Band - Song.mp3", "odd.mp3"}));
    auto renamed = RunCli({"rename-from-tags", dir / "m", "--pattern", "%title% (%artist%)"});
    EXPECT_EQ(renamed.exitCode, 1);  // odd.mp3 has no tags to name it by
    EXPECT_NE(renamed.err.find("odd.mp3: its tags hold no title"), std::string::npos) << renamed.err;
    EXPECT_EQ(test::ListFolder(dir / "m"), (std::vector<std::string>{"Song (Band).mp3", "odd.mp3"}));
}

}  // namespace
}  // namespace vorne
