// The batch tools from the window's menus: the Compare ROM Lists dialog, and a whole-list command
// of each tool (and most selection ones), run on a worker and ending in a new scan.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <filesystem>

#include "images.h"
#include "tool_command_fixture.h"
#include "tools/list_compare.h"
#include "ui/batch_commands.h"
#include "ui/compare_lists_dialog.h"
#include "ui/main_menu.h"
#include "ui/mp3_edit_dialog.h"

namespace vorne::ui::test {
namespace batch_commands_test {
namespace {

using samples::Bytes;

std::string Text(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }
Bytes Of(const std::string& text) { return {text.begin(), text.end()}; }

class BatchCommandsTest : public ToolCommandTest {};

TEST_F(BatchCommandsTest, SaveListWritesWhatVorneCliWrites) {
    dir.Write("roms/a.nes", samples::MakeNes({.seed = 1}));
    dir.Write("roms/b.nes", samples::MakeNes({.prgBanks = 1, .seed = 2, .trailer = "Title"}));
    Open(RomType::Nes);
    prompts.files = {Q(dir / "window.txt")};
    window->Action(Command::SaveList)->trigger();
    EXPECT_EQ(prompts.fileDialogs, std::vector<QString>{"save Save List | All files (*) | txt"});
    // The window knows no dumps here, and neither does the CLI with an empty list.
    const std::string noDumps = dir.Write("empty.txt", {});
    auto cli = vorne::test::RunCli({"save-list", roms, "--kind", "nes", "-o", dir / "cli.txt", "--known-dumps", noDumps});
    ASSERT_EQ(cli.exitCode, 0) << cli.err;
    const std::string saved = Text(vorne::test::ReadFile(dir / "window.txt"));
    EXPECT_EQ(saved, Text(vorne::test::ReadFile(dir / "cli.txt")));
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 2);
    EXPECT_TRUE(prompts.messages.empty());  // no message on success

    prompts.files = {Q(dir / "none/list.txt")};
    window->Action(Command::SaveList)->trigger();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.endsWith(QStringLiteral("none/list.txt: No such file or directory")));
}

TEST_F(BatchCommandsTest, CleanNesHeadersThenAScan) {
    const std::array<std::uint8_t, 9> signature{'D', 'i', 's', 'k', 'D', 'u', 'd', 'e', '!'};
    dir.Write("roms/a.nes", samples::MakeNes({.bytes7to15 = signature, .seed = 1}));
    dir.Write("roms/b.nes", samples::MakeNes({.bytes7to15 = {0x10}, .seed = 2}));
    dir.Write("roms/c.nes", samples::MakeNes({.seed = 3}));
    const std::string text = "not a header, only text";
    dir.Write("roms/readme.nes", Bytes(text.begin(), text.end()));
    Open(RomType::Nes);
    Watch();
    Trigger(Command::CleanNesHeaders);
    // A high mapper nibble alone is no junk; a file without the iNES mark is no NES image.
    EXPECT_EQ(Messages(), (std::vector<std::string>{
                              "Header Cleaner: 1 headers cleaned, 1 mappers changed, 1 reserved bytes changed.",
                              "Header Cleaner: These files were left as they are:\nreadme.nes: is not an iNES image (it "
                              "does not begin with NES and 0x1A); left as it is"}));
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(vorne::test::ReadFile(roms + "/readme.nes"), Bytes(text.begin(), text.end()));
    EXPECT_EQ(vorne::test::ReadFile(roms + "/b.nes")[7], 0x10);
    EXPECT_EQ(vorne::test::ReadFile(roms + "/a.nes")[7], 0);
}

// With a filter typed, the whole list is what the list shows.
TEST_F(BatchCommandsTest, WholeListCommandsTakeTheRowsShown) {
    const std::array<std::uint8_t, 9> signature{'D', 'i', 's', 'k', 'D', 'u', 'd', 'e', '!'};
    const Bytes hidden = samples::MakeNes({.bytes7to15 = signature, .seed = 2});
    dir.Write("roms/shown.nes", samples::MakeNes({.bytes7to15 = signature, .seed = 1}));
    dir.Write("roms/hidden.nes", hidden);
    Open(RomType::Nes);
    Watch();
    window->FilterBox()->setText(QStringLiteral("shown"));
    prompts.files = {Q(dir / "list.txt")};
    window->Action(Command::SaveList)->trigger();
    const std::string saved = Text(vorne::test::ReadFile(dir / "list.txt"));
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 1);
    EXPECT_NE(saved.find("shown.nes"), std::string::npos);
    Trigger(Command::CleanNesHeaders);
    EXPECT_TRUE(Messages().front().starts_with("Header Cleaner: 1 headers cleaned,")) << Messages().front();
    EXPECT_EQ(vorne::test::ReadFile(roms + "/shown.nes")[7], 0);
    EXPECT_EQ(vorne::test::ReadFile(roms + "/hidden.nes"), hidden);
}

TEST_F(BatchCommandsTest, SelectedHeadersAndTrainersThenAScan) {
    Bytes odd = samples::MakeNes({.prgBanks = 1, .chrBanks = 0, .flags6 = 0x04, .seed = 1});
    odd.resize(odd.size() + 8192 - 512, 0);  // remainder 16: the size check asks
    dir.Write("roms/odd.nes", odd);
    dir.Write("roms/fine.nes", samples::MakeNes({.prgBanks = 1, .chrBanks = 0, .flags6 = 0x04, .seed = 2}));
    dir.Write("roms/junk.nes", samples::MakeNes({.bytes7to15 = {'D', 'z'}, .seed = 3}));
    Open(RomType::Nes);
    Watch();
    prompts.yes = false;
    Trigger(Command::RemoveNesTrainers);
    EXPECT_EQ(Messages(), (std::vector<std::string>{
                              "Bad Size: Inappropriate filesize for trained ROM odd.nes. Continue removal?",
                              "Trainer Remover: 1 trainers removed."}));
    EXPECT_EQ(vorne::test::ReadFile(roms + "/odd.nes"), odd);

    prompts.messages.clear();
    prompts.yes = true;
    Select({"odd.nes"});
    Trigger(Command::TrainerRemover);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Bad Size: Inappropriate filesize for trained ROM odd.nes. Continue removal?"});
    EXPECT_EQ(vorne::test::ReadFile(roms + "/odd.nes").size(), odd.size() - 512);

    prompts.messages.clear();
    Select({"junk.nes"});
    Trigger(Command::HeaderCleaner);
    EXPECT_TRUE(prompts.messages.empty());  // the selection variants show no summary
    EXPECT_EQ(window->GetCatalogue().Model().Cell(RowNamed("junk.nes"), FieldNumber(NesField::Reserved)), "");
    EXPECT_EQ(scans, 3);
}

TEST_F(BatchCommandsTest, ConversionOfTheSelectionThenAScanListsTheNewFile) {
    const Bytes linear = samples::MakeGenesis({.size = 32768});
    dir.Write("roms/a.smd", samples::Interleave(linear, 8192, true));
    dir.Write("roms/lin.smd", linear);
    Open(RomType::Genesis);
    Watch();
    Select({"a.smd", "lin.smd"});
    Trigger(Command::SmdToBin);
    EXPECT_EQ(vorne::test::ReadFile(roms + "/a.bin"), linear);
    EXPECT_NE(RowNamed("a.bin"), -1);
    EXPECT_EQ(scans, 1);
    ASSERT_EQ(prompts.messages.size(), 1u);  // the file left alone is named
    EXPECT_EQ(prompts.messages[0].title, QStringLiteral("Convert"));
    EXPECT_EQ(prompts.messages[0].text,
              QStringLiteral("These files were left as they are:\nlin.smd: it is linear already, so its converted name is "
                             "its own; left as it is"));
}

TEST_F(BatchCommandsTest, AFileErrorEndsTheCommandWithoutAScanAndReleasesTheWindow) {
    dir.Write("roms/a.nes", samples::MakeNes({.bytes7to15 = {'D', 'q'}, .seed = 1}));
    dir.Write("roms/b.nes", samples::MakeNes({.bytes7to15 = {'D', 'q'}, .seed = 2}));
    Open(RomType::Nes);
    Watch();
    std::filesystem::remove(roms + "/b.nes");  // its row stays until the next scan
    Trigger(Command::CleanNesHeaders);
    EXPECT_EQ(scans, 0);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, Q(roms + "/b.nes: No such file or directory"));
    EXPECT_TRUE(window->KindCombo()->isEnabled());
    // The row cleaned before the error shows its new texts.
    EXPECT_EQ(window->GetCatalogue().Model().Cell(RowNamed("a.nes"), FieldNumber(NesField::Reserved)), "");
    EXPECT_EQ(window->GetCatalogue().Model().Cell(RowNamed("b.nes"), FieldNumber(NesField::Reserved)), "Dq");
}

TEST_F(BatchCommandsTest, ApplyIpsPatchAsksForThreeFiles) {
    const std::string target = dir.Write("t.bin", Of("0123456789"));
    const std::string patch = dir.Write("p.ips", Of(std::string("PATCH\0\0\1\0\2ABEOF", 15)));
    Open(RomType::Gameboy, QString());
    Watch();
    prompts.files = {Q(target), Q(patch), QString()};  // no new name: in place
    Trigger(Command::ApplyIpsPatch);
    EXPECT_EQ(Messages(), (std::vector<std::string>{
                              "Vorne: Select file to be patched.", "Vorne: Select patch file.",
                              "Vorne: Select file to save as (or cancel to not save as a different name).",
                              "Success!: IPS patch applied.\n"}));
    EXPECT_EQ(prompts.fileDialogs,
              (std::vector<QString>{"open Select file to be patched | All files (*)",
                                    "open Select patch file | Patches (*.ips *.bps *.ups)", "save Save As | All files (*) | "}));
    EXPECT_EQ(Text(vorne::test::ReadFile(target)), "0AB3456789");
    EXPECT_EQ(scans, 0);  // the list is left as it is

    // Cancelling the patch dialog ends the command.
    prompts.messages.clear();
    prompts.files = {Q(target), QString()};
    window->Action(Command::ApplyIpsPatch)->trigger();
    EXPECT_EQ(Messages().size(), 2u);
    EXPECT_TRUE(window->Idle());
}

TEST_F(BatchCommandsTest, MassTagEditWithTheMp3DialogWithoutAFile) {
    const Bytes plain = samples::MakeMp3({.frames = 1, .tagged = false, .seed = 1});
    const Bytes tagged = samples::MakeMp3({.frames = 1, .title = "Song", .comment = "old", .genre = 4, .seed = 2});
    dir.Write("roms/a.mp3", plain);
    dir.Write("roms/b.mp3", tagged);
    Open(RomType::Mp3);
    Watch();
    // The dialog without a file: its note, then the user's values.
    prompts.onModal = [](QDialog& shown) {
        auto& dialog = static_cast<CMp3EditDialog&>(shown);
        EXPECT_FALSE(dialog.SingleFile());
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("MP3 Edit"));
        dialog.Box(1)->setText(QStringLiteral("Band"));   // artist
        dialog.Box(4)->setText(QStringLiteral("   "));    // comment: blanks erase it
        dialog.OnWriteInfo();
        return dialog.result();
    };
    Trigger(Command::MassEditMp3Tags);
    EXPECT_EQ(scans, 1);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(Column(3), (std::vector<std::string>{"Band ", "Band "}));
    EXPECT_EQ(Column(0), (std::vector<std::string>{" ", "Song"}));  // a new tag's blank title; the old title stays
    EXPECT_EQ(Column(6), (std::vector<std::string>{"    ", "    "}));
    EXPECT_EQ(Column(7), (std::vector<std::string>{"255", "4"}));

    // "&Delete Tag" deletes the tags of the selected files only.
    prompts.onModal = [](QDialog& shown) {
        static_cast<CMp3EditDialog&>(shown).OnDeleteTag();
        return shown.result();
    };
    Select({"b.mp3"});
    Trigger(Command::MassTagEdit);
    ASSERT_EQ(prompts.messages.size(), 1u);  // asked first, of the files the command takes
    EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Delete the tag of 1 file?"));
    EXPECT_EQ(vorne::test::ReadFile(roms + "/b.mp3"), Bytes(tagged.begin(), tagged.end() - 128));
    EXPECT_EQ(vorne::test::ReadFile(roms + "/a.mp3").size(), plain.size() + 128);
    EXPECT_EQ(scans, 2);

    // Cancelled: nothing changes and no scan follows.
    prompts.onModal = [](QDialog&) { return int(QDialog::Rejected); };
    window->Action(Command::MassEditMp3Tags)->trigger();
    EXPECT_TRUE(window->Idle());
    EXPECT_EQ(finished, 2);
    EXPECT_EQ(scans, 2);
}

// The mass edit's "Delete ID3v2 Tag" asks first; Yes takes the ID3v2 tags off and leaves every
// ID3v1 tag, No leaves every file as it is.
TEST_F(BatchCommandsTest, MassEditDeletesOnlyTheId3v2TagsAfterAsking) {
    const Bytes audio = samples::MakeMp3({.frames = 1, .title = "One"});
    Bytes both = samples::Id3v2Tag(3, 0, {samples::Id3v2Frame(3, "TIT2", std::string(1, '\0') + "Two")});
    both.insert(both.end(), audio.begin(), audio.end());
    dir.Write("roms/a.mp3", both);
    dir.Write("roms/b.mp3", audio);
    Open(RomType::Mp3);
    Watch();
    prompts.onModal = [](QDialog& shown) {
        static_cast<CMp3EditDialog&>(shown).OnDeleteId3v2Tag();
        return shown.result();
    };
    prompts.yes = false;
    window->Action(Command::MassEditMp3Tags)->trigger();
    EXPECT_TRUE(window->Idle());
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(vorne::test::ReadFile(roms + "/a.mp3"), both);

    prompts.yes = true;
    Trigger(Command::MassEditMp3Tags);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"MP3 Edit: Delete the ID3v2 tags of 2 files?",
                                                    "MP3 Edit: Delete the ID3v2 tags of 2 files?"}));
    EXPECT_EQ(vorne::test::ReadFile(roms + "/a.mp3"), audio);
    EXPECT_EQ(vorne::test::ReadFile(roms + "/b.mp3"), audio);
    EXPECT_EQ(Column(FieldNumber(Mp3Field::Tags)), (std::vector<std::string>{"ID3v1", "ID3v1"}));
}

TEST_F(BatchCommandsTest, CompareListsOpensItsDialogAndNothingElse) {
    Open(RomType::Gameboy, QString());
    QString shown;
    prompts.onModal = [&shown](QDialog& dialog) {
        shown = dialog.windowTitle();
        return int(QDialog::Accepted);
    };
    window->Action(Command::CompareLists)->trigger();
    EXPECT_EQ(shown, QStringLiteral("Compare ROM Lists"));
    EXPECT_EQ(prompts.modalsRun, 1);
    EXPECT_TRUE(window->Idle());
}

TEST(CompareListsDialog, LoadCompareAndSave) {
    vorne::test::TempDir dir;
    dir.Write("original.txt", Of("crc1\ta.nes\tGame\r\ncrc2\tb.nes\tOther\r\n"));
    dir.Write("test.txt", Of("zz\tq\tNew\r\nCRC1\tz.nes\tgame\r\nab\tq\tNewer\r\n"));
    dir.Write("empty.txt", {});
    FakePrompts prompts;
    CCompareListsDialog dialog(prompts);
    using Part = CCompareListsDialog::Part;
    auto entries = [&](Part part) { return static_cast<QStringListModel*>(dialog.List(part)->model())->stringList(); };
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Compare ROM Lists"));
    EXPECT_TRUE(dialog.SaveButton()->isDefault());
    for (Part part : {Part::Original, Part::Test, Part::Unmatched}) EXPECT_TRUE(dialog.Label(part)->text().isEmpty());

    // Nothing loaded: refused.
    dialog.CompareButton()->click();
    dialog.SaveButton()->click();
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0].text.toStdString(), kNothingToCompare);
    EXPECT_EQ(prompts.messages[1].text.toStdString(), kNothingToSave);
    prompts.messages.clear();

    prompts.files = {Q(dir / "original.txt"), Q(dir / "test.txt")};
    dialog.LoadOriginalButton()->click();
    dialog.LoadTestButton()->click();
    EXPECT_EQ(dialog.Label(Part::Original)->text(), QStringLiteral("2 ROMs"));
    EXPECT_EQ(dialog.Label(Part::Test)->text(), QStringLiteral("3 ROMs"));
    // Sorted without regard to case; the original as keys; a CR shows as a dot.
    EXPECT_EQ(entries(Part::Original), (QStringList{"crc1.Game.", "crc2.Other."}));
    EXPECT_EQ(entries(Part::Test), (QStringList{"ab.q.Newer.", "CRC1.z.nes.game.", "zz.q.New."}));
    dialog.CompareButton()->click();
    EXPECT_EQ(entries(Part::Unmatched), (QStringList{"ab.q.Newer.", "zz.q.New."}));
    EXPECT_EQ(dialog.Label(Part::Unmatched)->text(), QStringLiteral("2 Unmatched"));

    prompts.files = {Q(dir / "out.txt")};
    dialog.SaveButton()->click();
    EXPECT_EQ(Text(vorne::test::ReadFile(dir / "out.txt")), "ab\tq\tNewer\r\r\nzz\tq\tNew\r\r\n");
    EXPECT_EQ(prompts.fileDialogs.back(), QStringLiteral("save Save | All files (*) | txt"));
    EXPECT_TRUE(prompts.messages.empty());

    // A list that cannot be read is said so and loads as empty; a cancelled dialog changes nothing.
    prompts.files = {Q(dir / "none.txt"), QString()};
    dialog.LoadOriginalButton()->click();
    EXPECT_EQ(dialog.Label(Part::Original)->text(), QStringLiteral("0 ROMs"));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, Q(dir / "none.txt: No such file or directory"));
    dialog.LoadTestButton()->click();
    EXPECT_EQ(dialog.Label(Part::Test)->text(), QStringLiteral("3 ROMs"));
    dialog.CompareButton()->click();
    EXPECT_EQ(prompts.messages.back().text.toStdString(), kNothingToCompare);
    EXPECT_EQ(entries(Part::Unmatched).size(), 2);  // the last result stays until a comparison replaces it
}

}  // namespace
}  // namespace batch_commands_test
}  // namespace vorne::ui::test
