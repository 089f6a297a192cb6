#include "tools/tag_names.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "images.h"
#include "support/temp_dir.h"
#include "tools/recording_report.h"

namespace vorne {
namespace tag_names_test {
namespace {

using samples::Bytes;

CatalogRow Row(const std::string& file) { return test::RowOf(ColumnCount(RomType::Mp3), {{kFilenameColumn, file}}); }

std::string Matched(const std::string& pattern, const std::string& name) {
    const auto fields = TagPattern::Parse(pattern).Match(name);
    if (!fields) return "(none)";
    std::string out;
    for (const auto& [field, text] : *fields) out += std::string(TagPattern::PlaceHolderName(field)) + "=" + text + ";";
    return out;
}

TEST(TagPattern, ParsesAndMatches) {
    for (const char* bad : {"", "plain text", "%title", "%titel% - x", "%artist%%title%", "100% %title%"}) {
        EXPECT_THROW(TagPattern::Parse(bad), std::invalid_argument) << bad;
    }
    struct Case {
        const char* pattern;
        const char* name;
        const char* want;
    };
    const Case cases[] = {
        {"%artist% - %title%", "Band - Song", "artist=Band;title=Song;"},
        {"%artist% - %title%", "Band - Song - Live", "artist=Band;title=Song - Live;"},  // the first " - " parts them
        {"%artist% - %title%", "Band-Song", "(none)"},
        {"%artist% - %title%", " - Song", "(none)"},  // an empty field is no fit
        {"%artist% - %title%", "Band - ", "(none)"},
        {"%track%. %title%", "07. Song", "track=07;title=Song;"},
        {"(%year%) %album%", "(1999) Best of", "year=1999;album=Best of;"},
        {"(%year%) %album%", "1999 Best of", "(none)"},
        {"%title% [live]", "Song [live]", "title=Song;"},
        {"%title% [live]", "Song [live] 2", "(none)"},
        {"%title% - %title%", "a - b", "title=a;title=b;"},  // the last one counts when written
    };
    for (const Case& c : cases) EXPECT_EQ(Matched(c.pattern, c.name), c.want) << c.pattern << " on " << c.name;
}

class TagNamesTest : public ::testing::Test {
protected:
    std::string Add(const std::string& name, const Bytes& bytes) { return dir.Write(name, bytes); }
    test::TempDir dir;
    test::RecordingReport report;
};

TEST_F(TagNamesTest, TagsFromNames) {
    Add("Band - Song.mp3", samples::MakeMp3({.frames = 1, .tagged = false}));
    Add("Other - Title - Jazz.mp3", samples::MakeMp3({.frames = 1, .tagged = false}));
    Add("no pattern.mp3", samples::MakeMp3({.frames = 1, .tagged = false}));
    Add("A - B - Nonsense.mp3", samples::MakeMp3({.frames = 1, .tagged = false}));
    const std::vector<CatalogRow> rows{Row("Band - Song.mp3"), Row("Other - Title - Jazz.mp3"), Row("no pattern.mp3")};
    EXPECT_EQ(TagsFromNames(dir.Path(), rows, TagPattern::Parse("%artist% - %title%"), false, report), 2);
    EXPECT_EQ(report.Of("skipped"), std::vector<std::string>{"skipped no pattern.mp3: the name does not fit the pattern"});
    Mp3Tag reader;
    reader.LoadFile(dir / "Band - Song.mp3");
    EXPECT_EQ(*reader.ColumnText(Mp3Field::Artist) + "|" + *reader.ColumnText(Mp3Field::Title), "Band |Song ");

    // A genre by name or by number; a name that is no genre leaves the file alone.
    report.events.clear();
    const std::vector<CatalogRow> genres{Row("Other - Title - Jazz.mp3"), Row("A - B - Nonsense.mp3")};
    EXPECT_EQ(TagsFromNames(dir.Path(), genres, TagPattern::Parse("%artist% - %title% - %genre%"), false, report), 1);
    EXPECT_EQ(report.Of("skipped"), std::vector<std::string>{"skipped A - B - Nonsense.mp3: 'Nonsense' is not the name of a genre"});
    reader.LoadFile(dir / "Other - Title - Jazz.mp3");
    EXPECT_EQ(*reader.ColumnText(Mp3Field::Genre), "8");
}

// The names planned from tags: ID3v1's ISO-8859-1 bytes become UTF-8; a name that is ".." or too
// long is none.
TEST_F(TagNamesTest, PlannedNames) {
    const std::string t30(30, 't');
    const struct {
        const char* what;
        std::string row;
        samples::Mp3Recipe tag;
        std::string pattern;
        std::string newPath;
        std::string why;
    } cases[] = {
        {"ISO-8859-1 made UTF-8", "a.mp3", {.title = "Gr\xFC\xDF" "e"}, "%title%", "Gr\xC3\xBC\xC3\x9F" "e.mp3", ""},
        {"UTF-8 in ID3v1 stays", "a.mp3", {.title = "\xC3\xA9t\xC3\xA9"}, "%title%", "\xC3\xA9t\xC3\xA9.mp3", ""},
        {"'..'", "a", {.title = ".."}, "%title%", "", "the new name would be '..'"},
        {"too long", "a.mp3", {.title = t30}, "%title% %title% %title% %title% %title% %title% %title% %title% %title%", "",
         "the new name would be longer than 255 bytes"},
    };
    for (const auto& c : cases) {
        Mp3Tag reader;
        reader.LoadFile(Add("f.mp3", samples::MakeMp3(c.tag)));
        const RenamePlan plan = PlanRename(reader, c.row, TagPattern::Parse(c.pattern));
        EXPECT_EQ(plan.newPath, c.newPath) << c.what;
        EXPECT_EQ(plan.why, c.why) << c.what;
    }
}

TEST_F(TagNamesTest, RenamesSafely) {
    auto tagged = [](const std::string& title, const std::string& artist) {
        return samples::MakeMp3({.frames = 1, .title = title, .artist = artist, .genre = 17});
    };
    Add("a.mp3", tagged("Sunny", "Band"));
    Add("b.MP3", tagged("a/b\x01:*?", ".."));  // what no name may hold
    Add("c.mp3", tagged("Sunny", "Band"));     // its name is a's new one
    Add("d.mp3", tagged("", "Band"));          // no title
    Add("Band - Rain.mp3", tagged("Rain", "Band"));
    const std::vector<CatalogRow> rows{Row("a.mp3"), Row("b.MP3"), Row("c.mp3"), Row("d.mp3"), Row("Band - Rain.mp3")};
    const TagPattern pattern = TagPattern::Parse("%artist% - %title%");

    auto names = [](const std::vector<RenamePlan>& plans) {
        std::string out;
        for (const RenamePlan& plan : plans) out += plan.path + " -> " + plan.newPath + "\n";
        return out;
    };
    const std::string want = "a.mp3 -> Band - Sunny.mp3\nb.MP3 -> .. - a_b____.MP3\n";
    const std::vector<std::string> before = test::ListFolder(dir.Path());
    // A dry run renames nothing, and tells as the real run does that c would take a's new name.
    for (bool dryRun : {true, false}) {
        report.events.clear();
        EXPECT_EQ(names(RenameFromTags(dir.Path(), rows, pattern, dryRun, report)), want);
        EXPECT_EQ(report.events, (std::vector<std::string>{"failed c.mp3: a file listed before it gets the name Band - Sunny.mp3",
                                                           "failed d.mp3: its tags hold no title",
                                                           "skipped Band - Rain.mp3: it has that name already"}));
        if (dryRun) {
            EXPECT_EQ(test::ListFolder(dir.Path()), before);
        }
    }
    EXPECT_EQ(test::ListFolder(dir.Path()),
              (std::vector<std::string>{".. - a_b____.MP3", "Band - Rain.mp3", "Band - Sunny.mp3", "c.mp3", "d.mp3"}));
    EXPECT_EQ(test::ReadFile(dir / "Band - Sunny.mp3"), tagged("Sunny", "Band"));
}

}  // namespace
}  // namespace tag_names_test
}  // namespace vorne
