// vorne-cli's MP3 tag commands beyond ID3v1, as a black box.
#include <gtest/gtest.h>

#include "base/rom_type.h"
#include "images.h"
#include "support/temp_dir.h"

namespace vorne {
namespace tag_commands_test {
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
    auto added = RunCli({"set", path, "--kind", "mp3", std::to_string(FieldNumber(Mp3Field::Artist)) + "=Band", "--id3v2"});
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

// A genre goes by its number or by its ID3v1 name in any case (it went in as 0, "Blues"); a blank
// one leaves the genre; a name that is no genre is a usage error that writes nothing. `set` takes
// a field by its column's title or its extra value's name, and `show` names the extra values.
TEST(CliTags, GenresByNameAndFieldsByTitle) {
    test::TempDir dir;
    const Bytes start = samples::MakeMp3({.frames = 1, .title = "Song", .genre = 5});
    const std::string path = dir / "a.mp3";
    const struct {
        std::vector<std::string> args;  // the file follows the command
        int exitCode;
        std::uint8_t genre;
    } cases[] = {
        {{"tag", "--genre", "rock"}, 0, 17},        {{"tag", "--genre", "Jazz"}, 0, 8},
        {{"tag", "--genre", "12"}, 0, 12},          {{"tag", "--genre", "  "}, 0, 5},
        {{"tag", "--genre", "Nonsense"}, 2, 5},     {{"set", "--kind", "mp3", "Genre=hip-hop"}, 0, 7},
        {{"set", "--kind", "mp3", "genre= "}, 0, 5}, {{"set", "--kind", "mp3", "7=Polka"}, 0, 75},
        {{"set", "--kind", "mp3", "Genre=Nonsense", "Title=x"}, 2, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(test::CommandLine(c.args));
        samples::WriteFile(path, start);
        std::vector<std::string> args = c.args;
        args.insert(args.begin() + 1, path);
        auto result = RunCli(args);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        const Bytes after = test::ReadFile(path);
        EXPECT_EQ(after.back(), c.genre);
        if (c.exitCode != 0) {
            EXPECT_EQ(after, start);
        }
    }

    samples::WriteFile(path, start);
    auto set = RunCli({"set", path, "--kind", "mp3", "ARTIST=Band", "Track=7"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    auto shown = RunCli({"show", path, "--kind", "mp3"});
    EXPECT_NE(shown.out.find("\n3 Artist: Band \n"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("\n100 Track: 7\n"), std::string::npos) << shown.out;
    EXPECT_EQ(RunCli({"set", path, "--kind", "mp3", "Drummer=x"}).exitCode, 2);
}

}  // namespace
}  // namespace tag_commands_test
}  // namespace vorne
