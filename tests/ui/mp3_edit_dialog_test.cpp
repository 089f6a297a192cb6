// The MP3 edit dialog for one file (the tag without trailing blanks, every field written, the
// tag deleted) and without a file (the texts kept for the mass tag edit, nothing written).
#include "ui/mp3_edit_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <functional>

#include "edit_dialog_fixture.h"

namespace vorne::ui::test {
namespace mp3_edit_dialog_test {
namespace {

using Dialog = CMp3EditDialog;
using Field = Mp3Field;

// Boxes of CMp3EditDialog::kBoxes, by index.
enum Box : std::size_t { kTitle, kArtist, kAlbum, kYear, kComment, kGenre };

const samples::Mp3Recipe kPadded{.title = "Song" + std::string(26, ' '), .artist = "Band  ", .album = "", .year = "98 ",
                                 .comment = " lead blank ", .genre = 17};

TEST_F(EditDialogTest, Mp3DialogShowsTheTagWithoutTrailingBlanks) {
    const struct {
        const char* name;
        samples::Mp3Recipe recipe;
        std::array<QString, 6> shown;
    } cases[] = {
        {"blank-padded texts", kPadded, {"Song", "Band", "", "98", " lead blank", "17"}},
        {"no tag", {.tagged = false}, {"", "", "", "", "", ""}},
        {"a genre of 255 and a full title", {.title = std::string(30, 'T'), .genre = 255},
         {QString(30, 'T'), "", "", "", "", "255"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put("a.mp3", samples::MakeMp3(c.recipe));
        Dialog dialog(Folder(), "a.mp3", prompts);
        EXPECT_TRUE(dialog.SingleFile());
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("MP3 Edit"));
        ASSERT_TRUE(dialog.Load());
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("MP3 Tag Edit - a.mp3"));
        for (std::size_t i = 0; i < c.shown.size(); ++i) EXPECT_EQ(dialog.Box(i)->text(), c.shown[i]) << i;
        EXPECT_TRUE(dialog.Note()->text().isEmpty());
    }
}

TEST_F(EditDialogTest, Mp3WriteInfoWritesEveryFieldAsTheCliDoesAndCloses) {
    const struct {
        const char* name;
        samples::Mp3Recipe recipe;
        std::function<void(Dialog&)> act;
        std::vector<CliField> fields;  // what vorne-cli set is given
    } cases[] = {
        {"Song and 26 blanks is stored as Song, one blank, zeros", kPadded, [](Dialog&) {},
         {{Field::Title, "Song"}, {Field::Artist, "Band"}, {Field::Album, ""}, {Field::Year, "98"},
          {Field::Comment, " lead blank"}, {Field::Genre, "17"}}},
        {"typed values", kPadded,
         [](Dialog& d) {
             Type(d.Box(kTitle), "A title longer than thirty letters");
             Type(d.Box(kYear), "19984");
             Type(d.Box(kGenre), "1234");
             Type(d.Box(kAlbum), "Album");
         },
         {{Field::Title, "A title longer than thirty let"}, {Field::Artist, "Band"}, {Field::Album, "Album"},
          {Field::Year, "1998"}, {Field::Comment, " lead blank"}, {Field::Genre, "123"}}},
        {"a file without a tag gets one, with no genre when the box is empty", {.tagged = false},
         [](Dialog& d) { Type(d.Box(kArtist), "Someone"); },
         {{Field::Title, ""}, {Field::Artist, "Someone"}, {Field::Album, ""}, {Field::Year, ""}, {Field::Comment, ""}}},
        {"an emptied genre box leaves the genre", kPadded, [](Dialog& d) { d.Box(kGenre)->clear(); },
         {{Field::Title, "Song"}, {Field::Artist, "Band"}, {Field::Album, ""}, {Field::Year, "98"},
          {Field::Comment, " lead blank"}}},
        {"so does a genre of letters", kPadded, [](Dialog& d) { Type(d.Box(kGenre), "Pop"); },
         {{Field::Title, "Song"}, {Field::Artist, "Band"}, {Field::Album, ""}, {Field::Year, "98"},
          {Field::Comment, " lead blank"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put("a.mp3", samples::MakeMp3(c.recipe));
        EditWith<Dialog>("a.mp3", c.act, "&Write Info", [](Dialog& d) {
            EXPECT_EQ(d.result(), QDialog::Accepted);
            EXPECT_FALSE(d.isVisible());
        });
        ExpectSameAsCli("a.mp3", "mp3", c.fields);
    }
    // The first case in bytes: Song, one blank and 25 zero bytes; a new tag's genre is 255.
    Put("a.mp3", samples::MakeMp3(kPadded));
    Dialog padded(Folder(), "a.mp3", prompts);
    ASSERT_TRUE(padded.Load());
    padded.OnWriteInfo();
    const auto bytes = Bytes("a.mp3");
    const std::string title(bytes.end() - 125, bytes.end() - 95);
    EXPECT_EQ(title, "Song " + std::string(25, '\0'));
    Put("b.mp3", samples::MakeMp3({.tagged = false}));
    Dialog untagged(Folder(), "b.mp3", prompts);
    ASSERT_TRUE(untagged.Load());
    untagged.OnWriteInfo();
    EXPECT_EQ(Bytes("b.mp3").back(), 255);
}

TEST_F(EditDialogTest, Mp3DeleteTagAndCancel) {
    const samples::Bytes tagged = samples::MakeMp3(kPadded);
    const struct {
        const char* name;
        samples::Bytes bytes;
        QString button;
        int result;
        std::size_t size;
    } cases[] = {
        {"Delete Tag cuts the tag off", tagged, "&Delete Tag", QDialog::Accepted, tagged.size() - 128},
        {"Delete Tag on a file without one", samples::MakeMp3({.tagged = false}), "&Delete Tag", QDialog::Accepted,
         tagged.size() - 128},
        {"Cancel writes nothing", tagged, "&Cancel", QDialog::Rejected, tagged.size()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put("a.mp3", c.bytes);
        Dialog dialog(Folder(), "a.mp3", prompts);
        ASSERT_TRUE(dialog.Load());
        dialog.show();
        Type(dialog.Box(kTitle), "Changed");
        Button(dialog, c.button)->click();
        EXPECT_EQ(dialog.result(), c.result);
        const auto bytes = Bytes("a.mp3");
        EXPECT_EQ(bytes.size(), c.size);
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), c.bytes.begin()));  // the audio as it was
    }
}

// "Also write ID3v2" gives a file without an ID3v2 tag one only when ticked. A file that has one
// is not offered the box, and gets only the fields the user changed written into it, so its texts
// longer than ID3v1's 30 bytes stay whole.
TEST_F(EditDialogTest, Mp3DialogAndTheId3v2Tag) {
    for (bool ticked : {false, true}) {
        SCOPED_TRACE(ticked);
        Put("a.mp3", samples::MakeMp3(kPadded));
        Dialog dialog(Folder(), "a.mp3", prompts);
        ASSERT_TRUE(dialog.Load());
        dialog.show();
        ASSERT_TRUE(dialog.AlsoId3v2Box()->isVisible());
        dialog.AlsoId3v2Box()->setChecked(ticked);
        Type(dialog.Box(kTitle), "Changed");
        Button(dialog, "&Write Info")->click();
        const auto bytes = Bytes("a.mp3");
        EXPECT_EQ(bytes[0] == 'I' && bytes[1] == 'D' && bytes[2] == '3', ticked);
        Mp3Tag reader;
        reader.LoadFile(dir / "roms/a.mp3");
        EXPECT_EQ(*reader.ColumnText(Field::Title), "Changed ");
    }

    const std::string longTitle = "A title longer than the thirty bytes of ID3v1";
    samples::Bytes file = samples::Id3v2Tag(3, 0, {samples::Id3v2Frame(3, "TIT2", std::string(1, '\0') + longTitle),
                                                 samples::Id3v2Frame(3, "TPE1", std::string(1, '\0') + "Band")});
    const samples::Bytes audio = samples::MakeMp3({.tagged = false});
    file.insert(file.end(), audio.begin(), audio.end());
    Put("b.mp3", file);
    Dialog dialog(Folder(), "b.mp3", prompts);
    ASSERT_TRUE(dialog.Load());
    dialog.show();
    EXPECT_FALSE(dialog.AlsoId3v2Box()->isVisible());
    EXPECT_EQ(dialog.Box(kTitle)->text(), QString::fromStdString(longTitle.substr(0, 30)));
    Type(dialog.Box(kArtist), "Other");
    Button(dialog, "&Write Info")->click();
    Mp3Tag reader;
    reader.LoadFile(dir / "roms/b.mp3");
    EXPECT_EQ(*reader.ColumnText(Field::Tags), "ID3v1 + ID3v2.3");
    EXPECT_EQ(*reader.ColumnText(Field::Title), longTitle.substr(0, 30));  // ID3v1 holds what it can
    ASSERT_TRUE(reader.DeleteTag());  // the ID3v2 tag shows then
    EXPECT_EQ(*reader.ColumnText(Field::Title), longTitle);
    EXPECT_EQ(*reader.ColumnText(Field::Artist), "Other");
}

TEST_F(EditDialogTest, Mp3MassModeKeepsTheTextsAndTouchesNoFile) {
    Put("a.mp3", samples::MakeMp3(kPadded));
    const auto before = Bytes("a.mp3");
    const struct {
        const char* name;
        QString button;
        QString genre;
        bool yes;    // to "Delete the tags of 3 files?"
        int result;
        std::array<std::string, FieldNumber(Field::Count)> texts;  // FieldText of every column
    } cases[] = {
        {"Write Info keeps the six texts, blanks and all", "&Write Info", "17", true, QDialog::Accepted,
         {"   ", "", "", "Artist ", "", "2001", "", "17"}},
        {"a blank genre is no genre, not 0", "&Write Info", "  ", true, QDialog::Accepted,
         {"   ", "", "", "Artist ", "", "2001", "", ""}},
        {"nor is a genre of letters", "&Write Info", "Pop", true, QDialog::Accepted,
         {"   ", "", "", "Artist ", "", "2001", "", ""}},
        {"Delete Tag, Yes: ends with its own result", "&Delete Tag", "17", true, CMp3EditDialog::DeleteTagsResult, {}},
        {"Delete Tag, No: the dialog stays", "&Delete Tag", "17", false, QDialog::Rejected, {}},
        {"Cancel", "&Cancel", "17", true, QDialog::Rejected, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompts.messages.clear();
        prompts.yes = c.yes;
        Dialog dialog(3, prompts);
        EXPECT_FALSE(dialog.SingleFile());
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("MP3 Edit"));
        EXPECT_EQ(dialog.Note()->text(), QStringLiteral("To erase data in a field in all selected files, place spaces in "
                                                        "that field.\nEmpty fields will not overwrite old data."));
        for (std::size_t i = 0; i < CMp3EditDialog::kBoxes.size(); ++i) EXPECT_TRUE(dialog.Box(i)->text().isEmpty());
        Type(dialog.Box(kTitle), "   ");
        Type(dialog.Box(kArtist), "Artist ");
        Type(dialog.Box(kYear), "2001");
        Type(dialog.Box(kGenre), c.genre);
        Button(dialog, c.button)->click();
        EXPECT_EQ(dialog.result(), c.result);
        EXPECT_EQ(dialog.isVisible(), !c.yes);
        for (int i = 0; i < FieldNumber(Field::Count); ++i) {
            EXPECT_EQ(dialog.FieldText(i), c.texts[static_cast<std::size_t>(i)]) << i;
        }
        EXPECT_EQ(dialog.FieldText(FieldNumber(Field::Track)), "");
        EXPECT_EQ(Bytes("a.mp3"), before);
        if (c.button == QStringLiteral("&Delete Tag")) {
            ASSERT_EQ(prompts.messages.size(), 1u);
            EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Delete the tags of 3 files?"));
            EXPECT_EQ(prompts.messages[0].asked, FakePrompts::Asked::DefaultNo);
        } else {
            EXPECT_TRUE(prompts.messages.empty());
        }
    }
}

}  // namespace
}  // namespace mp3_edit_dialog_test
}  // namespace vorne::ui::test
