// The Game Boy edit dialog: what it shows of a file, and that "&Write Headers" writes what
// vorne-cli set writes for the same values.
#include "ui/gameboy_edit_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <functional>

#include "edit_dialog_fixture.h"
#include "formats/gameboy.h"
#include "ui/code_list.h"

namespace vorne::ui::test {
namespace gameboy_edit_dialog_test {
namespace {

using Dialog = CGameboyEditDialog;
using Field = GameboyField;

TEST_F(EditDialogTest, GameboyDialogShowsTheFile) {
    const struct {
        const char* name;
        samples::GameboyRecipe recipe;
        int typeItem;
        QString typeBox;
        bool typeBoxOpen;
        QString licensee;
        bool superGameboy;
        bool japan;
    } cases[] = {
        {"type 0x13 has its own item", {.title = "GNOME", .cartridgeType = 0x13}, 8, "19", false, "1", false, false},
        {"type 4 has none: Other", {.cartridgeType = 4, .destination = 0}, 10, "4", true, "1", false, true},
        {"type 0xFF is the last named", {.cartridgeType = 0xFF, .oldLicensee = 0x0A}, 9, "255", false, "10", false, false},
        {"the new licensee code", {.oldLicensee = 0x33, .newLicensee = "13"}, 1, "1", false, "19", true, false},
        {"behind a copier header", {.cartridgeType = 5, .copierHeader = true}, 4, "5", false, "1", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put("a.gb", samples::MakeGameboy(c.recipe));
        Dialog dialog(Folder(), "a.gb", prompts);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Gameboy Rom Edit"));
        ASSERT_TRUE(dialog.Load());
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Gameboy Rom Edit - a.gb"));
        EXPECT_EQ(dialog.TitleBox()->text(), QString::fromStdString(c.recipe.title));
        EXPECT_EQ(dialog.TypeList()->List()->currentIndex(), c.typeItem);
        EXPECT_EQ(dialog.TypeList()->CodeBox()->text(), c.typeBox);
        EXPECT_EQ(dialog.TypeList()->CodeBox()->isEnabled(), c.typeBoxOpen);
        EXPECT_EQ(dialog.LicenseeBox()->text(), c.licensee);
        EXPECT_EQ(dialog.SuperGameboyBox()->isChecked(), c.superGameboy);
        EXPECT_FALSE(dialog.LicenseeBox()->isEnabled());
        EXPECT_FALSE(dialog.SuperGameboyBox()->isEnabled());
        EXPECT_EQ(dialog.JapanButton()->isChecked(), c.japan);
        EXPECT_EQ(dialog.OtherButton()->isChecked(), !c.japan);
        EXPECT_TRUE(dialog.CalculatedChecksum()->text().isEmpty());
    }
}

TEST_F(EditDialogTest, GameboyTypeListOpensTheCodeBoxForOtherOnly) {
    Put("a.gb", samples::MakeGameboy({.cartridgeType = 0x13}));
    Dialog dialog(Folder(), "a.gb", prompts);
    ASSERT_TRUE(dialog.Load());
    QComboBox* list = dialog.TypeList()->List();
    QLineEdit* box = dialog.TypeList()->CodeBox();
    ASSERT_EQ(list->count(), 11);
    const struct {
        int item;
        QString text;
        QString box;
        bool open;
    } steps[] = {
        {10, "Other", "19", true},  // the file's own code again
        {4, "ROM+MBC2", "5", false},
        {0, "ROM", "0", false},
        {10, "Other", "19", true},
        {9, "ROM+HuC1+RAM+BATT", "255", false},
    };
    for (const auto& step : steps) {
        list->setCurrentIndex(step.item);
        EXPECT_EQ(list->currentText(), step.text);
        EXPECT_EQ(box->text(), step.box) << step.item;
        EXPECT_EQ(box->isEnabled(), step.open) << step.item;
    }
}

TEST_F(EditDialogTest, GameboyWriteHeadersWritesWhatTheCliWrites) {
    const struct {
        const char* name;
        samples::GameboyRecipe recipe;
        std::function<void(Dialog&)> act;
        std::vector<CliField> fields;  // what vorne-cli set is given
        bool unchanged;                 // the file stays as it was
    } cases[] = {
        {"nothing changed", {.title = "BLOB BOUNCE"}, [](Dialog&) {},
         {{Field::Title, "BLOB BOUNCE"}, {Field::SuperGameboy, "0"}, {Field::Licensee, "1"}, {Field::Type, "1"},
          {Field::Country, "1"}, {Field::Checksum, kAsRead}}, true},
        {"nothing changed with the new licensee code", {.oldLicensee = 0x33, .newLicensee = "01"}, [](Dialog&) {},
         {{Field::Title, "SAMPLE"}, {Field::SuperGameboy, "1"}, {Field::Licensee, "1"}, {Field::Type, "1"},
          {Field::Country, "1"}, {Field::Checksum, kAsRead}}, true},
        {"ROM+MBC2 writes 5", {}, [](Dialog& d) { d.TypeList()->List()->setCurrentIndex(4); },
         {{Field::Title, "SAMPLE"}, {Field::SuperGameboy, "0"}, {Field::Licensee, "1"}, {Field::Type, "5"},
          {Field::Country, "1"}, {Field::Checksum, kAsRead}}, false},
        {"Other writes the code typed", {.cartridgeType = 0x13},
         [](Dialog& d) {
             d.TypeList()->List()->setCurrentIndex(10);
             Type(d.TypeList()->CodeBox(), "1234");  // three digits at most
         },
         {{Field::Title, "SAMPLE"}, {Field::SuperGameboy, "0"}, {Field::Licensee, "1"}, {Field::Type, "123"},
          {Field::Country, "1"}, {Field::Checksum, kAsRead}}, false},
        {"title, Japan and checksum", {.destination = 1},
         [](Dialog& d) {
             Type(d.TitleBox(), "A LONGER TITLE THAN FITS");
             d.JapanButton()->click();
             Type(d.ChecksumBox(), "4660");
         },
         {{Field::Title, "A LONGER TITLE T"}, {Field::SuperGameboy, "0"}, {Field::Licensee, "1"}, {Field::Type, "1"},
          {Field::Country, "0"}, {Field::Checksum, "4660"}}, false},
        {"Other destination and a short title", {.title = "GNOME", .destination = 0},
         [](Dialog& d) {
             d.OtherButton()->click();
             Type(d.TitleBox(), "ABCDE");
         },
         {{Field::Title, "ABCDE"}, {Field::SuperGameboy, "0"}, {Field::Licensee, "1"}, {Field::Type, "1"},
          {Field::Country, "1"}, {Field::Checksum, kAsRead}}, false},
        {"behind a copier header", {.cartridgeType = 3, .copierHeader = true},
         [](Dialog& d) { Type(d.TitleBox(), "COPIED"); },
         {{Field::Title, "COPIED"}, {Field::SuperGameboy, "0"}, {Field::Licensee, "1"}, {Field::Type, "3"},
          {Field::Country, "1"}, {Field::Checksum, kAsRead}}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put("a.gb", samples::MakeGameboy(c.recipe));
        const auto before = Bytes("a.gb");
        EditWith<Dialog>("a.gb", c.act, "&Write Headers", [](Dialog& d) { EXPECT_TRUE(d.isVisible()); });
        ExpectSameAsCli("a.gb", "gameboy", c.fields);
        EXPECT_EQ(Bytes("a.gb") == before, c.unchanged);
    }
}

TEST_F(EditDialogTest, GameboyFieldsShowWhatWasWritten) {
    // A checksum that is no number is stored as 0 (the atoi rule), and the box then says so.
    Put("a.gb", samples::MakeGameboy({}));
    Dialog dialog(Folder(), "a.gb", prompts);
    ASSERT_TRUE(dialog.Load());
    Type(dialog.ChecksumBox(), "x12");
    dialog.TypeList()->List()->setCurrentIndex(10);
    Type(dialog.TypeList()->CodeBox(), "-1");
    Button(dialog, "&Write Headers")->click();
    EXPECT_EQ(dialog.ChecksumBox()->text(), QStringLiteral("0"));
    EXPECT_EQ(dialog.TypeList()->List()->currentIndex(), 9);  // 255, "ROM+HuC1+RAM+BATT"
    const auto bytes = Bytes("a.gb");
    EXPECT_EQ(bytes[0x14E], 0);
    EXPECT_EQ(bytes[0x14F], 0);
    EXPECT_EQ(bytes[0x147], 0xFF);
}

TEST_F(EditDialogTest, GameboyCalculateChecksumShowsTheFilesSumAndWritesNothing) {
    samples::Bytes image = samples::MakeGameboy({.copierHeader = true});
    image[512 + 0x14E] = 0x12;  // a stored checksum that is wrong
    Put("a.gb", image);
    Dialog dialog(Folder(), "a.gb", prompts);
    ASSERT_TRUE(dialog.Load());
    dialog.OnCalculateChecksum();
    const std::uint16_t sum = GlobalChecksum(std::span(image).subspan(512));
    EXPECT_EQ(dialog.CalculatedChecksum()->text(), QString::number(sum));
    EXPECT_NE(dialog.ChecksumBox()->text(), QString::number(sum));
    EXPECT_EQ(Bytes("a.gb"), image);
}

}  // namespace
}  // namespace gameboy_edit_dialog_test
}  // namespace vorne::ui::test
