#include "tools/mass_tag_edit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/rom_type.h"
#include "formats/mp3.h"
#include "images.h"
#include "platform/file_error.h"
#include "support/temp_dir.h"
#include "tools/file_watch.h"
#include "tools/recording_report.h"

namespace vorne {
namespace mass_tag_edit_test {
namespace {

using samples::Bytes;

const int kColumns = ColumnCount(RomType::Mp3);

CatalogRow Row(const std::string& filename) { return test::RowOf(kColumns, {{kFilenameColumn, filename}}); }

using Tag = Mp3Field;

MassTagValues Values(const std::map<Tag, std::string>& texts) {
    MassTagValues values;
    for (const auto& [field, text] : texts) values[field] = text;
    return values;
}

std::string Zeros(std::size_t n) { return std::string(n, '\0'); }
// A tag field holding `text`, as a write stores it: a shorter text gets one blank, then zero bytes.
std::string Field(const std::string& text, std::size_t width) {
    std::string field = text.size() < width ? text + " " : text.substr(0, width);
    field.resize(width, '\0');
    return field;
}

const Bytes kAudio = samples::MakeMp3({.frames = 2, .tagged = false, .seed = 2});
const Bytes kTagged = samples::MakeMp3(
    {.frames = 2, .title = "Sunny", .artist = "Band", .album = "Alb", .year = "1999", .comment = "c", .genre = 17, .seed = 3});

// The tag at the end of `file`, as text.
std::string TagOf(const Bytes& file) { return std::string(file.end() - 128, file.end()); }

TEST(MassTagEdit, WriteOrderAndEmptyTexts) {
    auto edits = MassTagEdits(Values({{Tag::Title, "T"}, {Tag::Artist, "A"}, {Tag::Album, "B"}, {Tag::Year, "Y"},
                                      {Tag::Comment, "C"}, {Tag::Genre, "G"}}));
    std::vector<int> fields;
    for (const FieldEdit& e : edits) fields.push_back(e.field);
    EXPECT_EQ(fields, (std::vector<int>{FieldNumber(Tag::Title), FieldNumber(Tag::Album), FieldNumber(Tag::Artist),
                                        FieldNumber(Tag::Year), FieldNumber(Tag::Comment), FieldNumber(Tag::Genre)}));
    EXPECT_EQ(edits.front().value, FieldValue("T"));
    EXPECT_EQ(edits.back().value, FieldValue(0));  // the genre's text by the atoi rule
    EXPECT_TRUE(MassTagEdits(Values({})).empty());
    EXPECT_EQ(MassTagEdits(Values({{Tag::Comment, "   "}})).size(), 1u);
}

TEST(MassTagEdit, ValuesIntoTaggedAndUntaggedFiles) {
    const std::string kNewBlank = " " + Zeros(29);
    struct Case {
        const char* what;
        Bytes file;
        std::map<Tag, std::string> values;
        std::string tag;  // the tag afterwards
    };
    const Case cases[] = {
        {"an artist into a file without a tag", kAudio, {{Tag::Artist, "Band"}},
         "TAG" + kNewBlank + Field("Band", 30) + kNewBlank + " " + Zeros(3) + kNewBlank + "\xFF"},
        {"the year alone", kAudio, {{Tag::Year, "1998"}}, "TAG" + kNewBlank + kNewBlank + kNewBlank + "1998" + kNewBlank + "\xFF"},
        {"blanks erase the comment, the rest stays", kTagged, {{Tag::Comment, "   "}},
         "TAG" + Field("Sunny", 30).substr(0, 5) + Zeros(25) + Field("Band", 30).substr(0, 4) + Zeros(26) + "Alb" +
             Zeros(27) + "1999" + Field("   ", 30) + "\x11"},
        {"a genre", kTagged, {{Tag::Genre, "17"}, {Tag::Title, "New"}},
         "TAG" + Field("New", 30) + "Band" + Zeros(26) + "Alb" + Zeros(27) + "1999" + "c" + Zeros(29) + "\x11"},
        {"a genre that is no number", kTagged, {{Tag::Genre, "rock"}},
         "TAG" + std::string("Sunny") + Zeros(25) + "Band" + Zeros(26) + "Alb" + Zeros(27) + "1999" + "c" + Zeros(29) +
             std::string(1, '\0')},
        {"every field", kAudio, {{Tag::Title, "T"}, {Tag::Artist, "A"}, {Tag::Album, "B"}, {Tag::Year, "98"},
                                 {Tag::Comment, "C"}, {Tag::Genre, "5"}},
         "TAG" + Field("T", 30) + Field("A", 30) + Field("B", 30) + "98 " + Zeros(1) + Field("C", 30) + "\x05"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        dir.Write("a.mp3", c.file);
        test::RecordingReport report;
        std::vector<CatalogRow> rows{Row("a.mp3")};
        EXPECT_EQ(MassEditTags(dir.Path(), rows, Values(c.values), report), 1) << c.what;
        Bytes after = test::ReadFile(dir / "a.mp3");
        const bool grew = !IsId3v1Tag(std::span<const std::uint8_t, 128>(c.file.end() - 128, 128));
        EXPECT_EQ(after.size(), c.file.size() + (grew ? 128 : 0)) << c.what;
        EXPECT_EQ(TagOf(after), c.tag) << c.what;
        EXPECT_TRUE(std::equal(c.file.begin(), c.file.end() - 128, after.begin())) << c.what;  // the audio stays
        EXPECT_EQ(report.Of("cells").size(), report.events.size()) << c.what;  // nothing left alone
    }
}

TEST(MassTagEdit, RowsTakenAndTheFileErrorThatEndsTheCommand) {
    test::TempDir dir;
    dir.Write("a.mp3", kAudio);
    dir.Write("c.mp3", kAudio);
    test::RecordingReport report;
    std::vector<CatalogRow> rows{Row("a.mp3"), test::AsMember(Row(""), "pack.zip", "B.MP3"), Row("gone.mp3"), Row("c.mp3")};
    EXPECT_THROW(MassEditTags(dir.Path(), rows, Values({{Tag::Artist, "X"}}), report), FileError);
    EXPECT_EQ(test::ReadFile(dir / "a.mp3").size(), kAudio.size() + 128);  // written before the error
    EXPECT_EQ(test::ReadFile(dir / "c.mp3"), kAudio);                    // never reached

    // With every text empty no file is touched.
    std::vector<CatalogRow> one{Row("c.mp3")};
    EXPECT_EQ(MassEditTags(dir.Path(), one, Values({}), report), 0);
    EXPECT_EQ(test::ReadFile(dir / "c.mp3"), kAudio);
}

TEST(MassTagEdit, EachFileIsWrittenThroughOneOpen) {
    test::TempDir dir;
    std::string path = dir.Write("a.mp3", kTagged);
    test::FileWatch watch(path);
    test::RecordingReport report;
    std::vector<CatalogRow> rows{Row("a.mp3")};
    MassEditTags(dir.Path(), rows, Values({{Tag::Title, "T"}, {Tag::Artist, "A"}, {Tag::Album, "B"}, {Tag::Year, "Y"},
                                           {Tag::Comment, "C"}, {Tag::Genre, "1"}}), report);
    EXPECT_EQ(watch.TakeOpens(), 2);  // one to read it, one to write all six fields
}

TEST(MassTagEdit, DeletesTagsWhereThereAreSome) {
    test::TempDir dir;
    dir.Write("tagged.mp3", kTagged);
    dir.Write("plain.mp3", kAudio);
    test::RecordingReport report;
    std::vector<CatalogRow> rows{Row("tagged.mp3"), Row("plain.mp3"), test::AsMember(Row(""), "x.zip", "T.MP3")};
    EXPECT_EQ(MassDeleteTags(dir.Path(), rows, report), 1);
    EXPECT_EQ(test::ReadFile(dir / "tagged.mp3"), Bytes(kTagged.begin(), kTagged.end() - 128));
    EXPECT_EQ(test::ReadFile(dir / "plain.mp3"), kAudio);
}

}  // namespace
}  // namespace mass_tag_edit_test
}  // namespace vorne
