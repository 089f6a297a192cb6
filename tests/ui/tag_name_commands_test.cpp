// "Tags from File Names..." and "Rename from Tags...": the pattern dialog, its preview before
// anything is written, what the commands write, and the pattern the settings keep.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>

#include "images.h"
#include "tool_command_fixture.h"
#include "ui/tag_pattern_dialog.h"

namespace vorne::ui::test {
namespace tag_name_commands_test {
namespace {

using samples::Bytes;

class TagNameCommandsTest : public ToolCommandTest {
protected:
    // The preview's rows, "file name => text".
    static std::vector<std::string> PreviewRows(const CTagPatternDialog& dialog) {
        std::vector<std::string> rows;
        QTreeWidget* preview = dialog.Preview();
        for (int r = 0; r < preview->topLevelItemCount(); ++r) {
            rows.push_back((preview->topLevelItem(r)->text(0) + " => " + preview->topLevelItem(r)->text(1)).toStdString());
        }
        return rows;
    }
};

TEST_F(TagNameCommandsTest, TagsFromFileNamesPreviewsThenWrites) {
    const Bytes plain = samples::MakeMp3({.frames = 1, .tagged = false, .seed = 1});
    dir.Write("roms/Band - Song.mp3", plain);
    dir.Write("roms/Other - Tune - Rock.mp3", plain);
    dir.Write("roms/nodash.mp3", plain);
    Open(RomType::Mp3);
    Watch();
    std::vector<std::string> shown;
    prompts.onModal = [&](QDialog& modal) {
        auto& dialog = static_cast<CTagPatternDialog&>(modal);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Tags from File Names"));
        EXPECT_EQ(dialog.PatternBox()->text(), QStringLiteral("%artist% - %title%"));  // nothing remembered yet
        dialog.PatternBox()->setText(QStringLiteral("%artist% - %title"));
        EXPECT_FALSE(dialog.OkButton()->isEnabled());
        EXPECT_EQ(dialog.Problem()->text(), QStringLiteral("Not a pattern: the pattern has a '%' without its closing '%'."));
        dialog.PatternBox()->setText(QStringLiteral("%artist% - %title% - %genre%"));
        EXPECT_TRUE(dialog.OkButton()->isEnabled());
        EXPECT_TRUE(dialog.Problem()->text().isEmpty());
        shown = PreviewRows(dialog);
        dialog.Id3v2Box()->setChecked(true);
        dialog.OkButton()->click();
        return dialog.result();
    };
    Trigger(Command::TagsFromFileNames);
    std::sort(shown.begin(), shown.end());  // the list's order
    EXPECT_EQ(shown, (std::vector<std::string>{"Band - Song.mp3 => left alone: the name does not fit the pattern",
                                               "Other - Tune - Rock.mp3 => artist: Other; title: Tune; genre: Rock",
                                               "nodash.mp3 => left alone: the name does not fit the pattern"}));
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Tags from File Names: These files were left as they are:\n"
                                                   "Band - Song.mp3: the name does not fit the pattern\n"
                                                   "nodash.mp3: the name does not fit the pattern"});
    const int row = RowNamed("Other - Tune - Rock.mp3");
    EXPECT_EQ(window->GetCatalogue().Model().Cell(row, FieldNumber(Mp3Field::Artist)), "Other ");  // a blank after a shorter text
    EXPECT_EQ(window->GetCatalogue().Model().Cell(row, FieldNumber(Mp3Field::Title)), "Tune ");
    EXPECT_EQ(window->GetCatalogue().Model().Cell(row, FieldNumber(Mp3Field::Tags)), "ID3v1 + ID3v2.3");
    EXPECT_EQ(settings.TagNamePattern(), QStringLiteral("%artist% - %title% - %genre%"));

    // Cancelled: nothing is written, and the pattern kept is the last one used.
    prompts.onModal = [](QDialog& modal) {
        static_cast<CTagPatternDialog&>(modal).PatternBox()->setText(QStringLiteral("%title%"));
        return int(QDialog::Rejected);
    };
    Select({"nodash.mp3"});
    window->Action(Command::SelectionTagsFromFileNames)->trigger();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(settings.TagNamePattern(), QStringLiteral("%artist% - %title% - %genre%"));
}

TEST_F(TagNameCommandsTest, RenameFromTagsPreviewsTheNewNames) {
    dir.Write("roms/a.mp3", samples::MakeMp3({.frames = 1, .title = "Song", .artist = "Band", .seed = 1}));
    dir.Write("roms/b.mp3", samples::MakeMp3({.frames = 1, .title = "Tune", .seed = 2}));
    dir.Write("roms/c.mp3", samples::MakeMp3({.frames = 1, .title = "Song", .artist = "Band", .seed = 3}));
    Open(RomType::Mp3);
    Watch();
    settings.SetTagNamePattern(QStringLiteral("%artist% - %title%"));
    std::vector<std::string> shown;
    prompts.onModal = [&](QDialog& modal) {
        auto& dialog = static_cast<CTagPatternDialog&>(modal);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Rename from Tags"));
        EXPECT_EQ(dialog.Id3v2Box(), nullptr);
        EXPECT_TRUE(WaitFor([&] { return dialog.PreviewReady(); }));
        shown = PreviewRows(dialog);
        return int(QDialog::Accepted);
    };
    Select({"a.mp3", "b.mp3"});
    Trigger(Command::SelectionRenameFromTags);
    EXPECT_EQ(shown, (std::vector<std::string>{"a.mp3 => Band - Song.mp3", "b.mp3 => left alone: its tags hold no artist"}));
    EXPECT_EQ(vorne::test::ListFolder(roms), (std::vector<std::string>{"Band - Song.mp3", "b.mp3", "c.mp3"}));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Rename from Tags: These files were left as they are:\n"
                                                   "b.mp3: its tags hold no artist"});

    // The whole list: c.mp3 would take a name that is taken, and keeps its own.
    prompts.messages.clear();
    prompts.onModal = [](QDialog&) { return int(QDialog::Accepted); };
    Trigger(Command::RenameFromTags);
    EXPECT_EQ(vorne::test::ListFolder(roms), (std::vector<std::string>{"Band - Song.mp3", "b.mp3", "c.mp3"}));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("c.mp3: a file named Band - Song.mp3 is there already"), std::string::npos) << Messages()[0];
    EXPECT_EQ(scans, 2);
}

}  // namespace
}  // namespace tag_name_commands_test
}  // namespace vorne::ui::test
