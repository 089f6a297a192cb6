// The SNES edit dialog: what it shows of a file, the makeup byte the buttons set, and that
// "&Write Headers" writes what vorne-cli set writes for the same values.
#include "ui/snes_edit_dialog.h"

#include <QComboBox>
#include <QRadioButton>
#include <functional>

#include "edit_dialog_fixture.h"
#include "formats/snes.h"
#include "ui/code_list.h"

namespace vorne::ui::test {
namespace snes_edit_dialog_test {
namespace {

using Dialog = CSnesEditDialog;
using Field = SnesField;

TEST_F(EditDialogTest, SnesDialogShowsTheFile) {
    const struct {
        const char* name;
        samples::SnesRecipe recipe;
        bool hiRom, fast;
        QString makeup;
        int typeItem;
        QString typeBox;
        int destinationItem;
        QString destination;
        int destinationCount;
        QString licensee;
    } cases[] = {
        {"LoROM, slow, USA", {.title = "SKY SERPENT"}, false, false, "32", 2, "2", 1, "USA (NTSC)", 14, "51"},
        {"HiROM, fast, Japan", {.hiRom = true, .size = 1024 * 1024, .mapMode = 0x31, .cartridgeType = 0x13, .destination = 0},
         true, true, "49", 6, "19", 0, "Japan (NTSC)", 14, "51"},
        {"the last named destination, an unnamed type", {.cartridgeType = 0x55, .destination = 13}, false, false, "32", 9,
         "85", 13, "Korea (PAL)", 14, "51"},
        {"a destination the list lacks shows as its number", {.destination = 20, .licensee = 8}, false, false, "32", 2, "2",
         14, "20", 15, "8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put("a.sfc", samples::MakeSnes(c.recipe));
        Dialog dialog(Folder(), "a.sfc", prompts);
        ASSERT_TRUE(dialog.Load());
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("SNES Rom Edit - a.sfc"));
        EXPECT_EQ(dialog.TitleBox()->text(), QString::fromStdString(c.recipe.title).leftJustified(21));  // blanks and all
        EXPECT_EQ(dialog.HiRomButton()->isChecked(), c.hiRom);
        EXPECT_EQ(dialog.LoRomButton()->isChecked(), !c.hiRom);
        EXPECT_EQ(dialog.FastButton()->isChecked(), c.fast);
        EXPECT_EQ(dialog.SlowButton()->isChecked(), !c.fast);
        EXPECT_EQ(dialog.MakeupBox()->text(), c.makeup);
        EXPECT_EQ(dialog.TypeList()->List()->currentIndex(), c.typeItem);
        EXPECT_EQ(dialog.TypeList()->CodeBox()->text(), c.typeBox);
        EXPECT_EQ(dialog.TypeList()->CodeBox()->isEnabled(), c.typeItem == 9);
        EXPECT_EQ(dialog.DestinationList()->currentIndex(), c.destinationItem);
        EXPECT_EQ(dialog.DestinationList()->currentText(), c.destination);
        EXPECT_EQ(dialog.DestinationList()->count(), c.destinationCount);
        EXPECT_EQ(dialog.LicenseeBox()->text(), c.licensee);
    }
}

TEST_F(EditDialogTest, SnesButtonsSetTheMakeupByte) {
    Put("a.sfc", samples::MakeSnes({.mapMode = 0x35}));  // a map mode no pair of buttons gives
    Dialog dialog(Folder(), "a.sfc", prompts);
    ASSERT_TRUE(dialog.Load());
    EXPECT_EQ(dialog.MakeupBox()->text(), QStringLiteral("53"));  // filling the buttons changes nothing
    const struct {
        QRadioButton* (Dialog::*button)() const;
        QString makeup;
    } clicks[] = {
        {&Dialog::HiRomButton, "49"},  // fast already, from the file's 0x35
        {&Dialog::SlowButton, "33"},
        {&Dialog::LoRomButton, "32"},
        {&Dialog::FastButton, "48"},
        {&Dialog::FastButton, "48"},
        {&Dialog::HiRomButton, "49"},
    };
    for (const auto& click : clicks) {
        (dialog.*click.button)()->click();
        EXPECT_EQ(dialog.MakeupBox()->text(), click.makeup);
    }
}

TEST_F(EditDialogTest, SnesWriteHeadersWritesWhatTheCliWrites) {
    const struct {
        const char* name;
        samples::SnesRecipe recipe;
        std::function<void(Dialog&)> act;
        std::vector<CliField> fields;  // what vorne-cli set is given
        bool unchanged;
    } cases[] = {
        {"destination 1 left alone", {}, [](Dialog&) {},
         {{Field::MapMode, "32"}, {Field::Title, kAsRead}, {Field::Type, "2"}, {Field::Country, "1"},
          {Field::LicenseeCode, "51"}}, true},
        {"destination 20 left alone", {.destination = 20}, [](Dialog&) {},
         {{Field::MapMode, "32"}, {Field::Title, kAsRead}, {Field::Type, "2"}, {Field::Country, "20"},
          {Field::LicenseeCode, "51"}}, true},
        {"destination 20 made Korea", {.destination = 20}, [](Dialog& d) { d.DestinationList()->setCurrentIndex(13); },
         {{Field::MapMode, "32"}, {Field::Title, kAsRead}, {Field::Type, "2"}, {Field::Country, "13"},
          {Field::LicenseeCode, "51"}}, false},
        {"HiRom then Fast writes map mode 0x31", {},
         [](Dialog& d) {
             d.HiRomButton()->click();
             d.FastButton()->click();
         },
         {{Field::MapMode, "49"}, {Field::Title, kAsRead}, {Field::Type, "2"}, {Field::Country, "1"},
          {Field::LicenseeCode, "51"}}, false},
        {"a HiROM image's block", {.hiRom = true, .size = 1024 * 1024, .mapMode = 0x21},
         [](Dialog& d) {
             Type(d.TitleBox(), "A TITLE OF TWENTY-TWO CHARACTERS");
             d.TypeList()->List()->setCurrentIndex(6);  // ROM/FX
         },
         {{Field::MapMode, "33"}, {Field::Title, "A TITLE OF TWENTY-TWO"}, {Field::Type, "19"}, {Field::Country, "1"},
          {Field::LicenseeCode, "51"}}, false},
        {"Other type and a licensee", {.cartridgeType = 0x55, .copierHeader = true},
         [](Dialog& d) {
             Type(d.TypeList()->CodeBox(), "300");
             Type(d.LicenseeBox(), "8");
             Type(d.MakeupBox(), "fast");
         },
         {{Field::MapMode, "fast"}, {Field::Title, kAsRead}, {Field::Type, "300"}, {Field::Country, "1"},
          {Field::LicenseeCode, "8"}}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put("a.sfc", samples::MakeSnes(c.recipe));
        const auto before = Bytes("a.sfc");
        EditWith<Dialog>("a.sfc", c.act, "&Write Headers");
        ExpectSameAsCli("a.sfc", "snes", c.fields);
        EXPECT_EQ(Bytes("a.sfc") == before, c.unchanged);
    }
}

TEST_F(EditDialogTest, SnesMapModeLandsInTheChosenBlock) {
    Put("a.sfc", samples::MakeSnes({.hiRom = true, .size = 1024 * 1024, .mapMode = 0x21}));
    Dialog dialog(Folder(), "a.sfc", prompts);
    ASSERT_TRUE(dialog.Load());
    dialog.LoRomButton()->click();  // the header stays where it is: only the byte changes
    dialog.FastButton()->click();
    Button(dialog, "&Write Headers")->click();
    EXPECT_EQ(Bytes("a.sfc")[SnesHeader::kHiRomPlace + 0x25], 0x30);
    EXPECT_TRUE(dialog.HiRomButton()->isChecked());  // read again: still the HiROM block
    EXPECT_EQ(dialog.MakeupBox()->text(), QStringLiteral("48"));
}

}  // namespace
}  // namespace snes_edit_dialog_test
}  // namespace vorne::ui::test
