// The controls of every header edit dialog: labels with their buddies, the boxes' length limits,
// the buttons and the lists in their order.
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <functional>
#include <memory>

#include "edit_dialog_fixture.h"
#include "ui/code_list.h"
#include "ui/edit_item.h"
#include "ui/mp3_edit_dialog.h"

namespace vorne::ui::test {
namespace edit_dialog_layout_test {
namespace {

// The buddy of the label with this text, or null.
QWidget* BuddyOf(QWidget& dialog, const QString& text) {
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text() == text) return label->buddy();
    }
    return nullptr;
}

QStringList ItemsOf(const QComboBox* list) {
    QStringList items;
    for (int i = 0; list != nullptr && i < list->count(); ++i) items << list->itemText(i);
    return items;
}

// The drop-down list a label names: the label's buddy itself, or the list inside it.
QComboBox* ListOf(QWidget& dialog, const QString& label) {
    QWidget* buddy = BuddyOf(dialog, label);
    if (auto* list = qobject_cast<QComboBox*>(buddy)) return list;
    if (auto* codes = qobject_cast<CodeList*>(buddy)) return codes->List();
    return nullptr;
}

struct Labelled {
    QString label;
    int limit;  // of the edit box it names; 0 for a control of another kind
};

TEST_F(EditDialogTest, EveryDialogHasItsControls) {
    Put("a.gb", samples::MakeGameboy({}));
    Put("a.nes", samples::MakeNes({}));
    Put("a.sfc", samples::MakeSnes({}));
    Put("a.n64", samples::MakeN64({}));
    Put("a.bin", samples::MakeGenesis({}));
    Put("a.mp3", samples::MakeMp3({}));
    const QStringList rom{"&Write Headers", "OK"};
    const struct {
        RomType type;
        std::string file;
        QString caption;      // before a file is loaded, and then with " - " and its name
        QString fileCaption;
        std::vector<Labelled> labels;
        QStringList buttons;  // push buttons, check boxes and radio buttons
    } cases[] = {
        {RomType::Gameboy, "a.gb", "Gameboy Rom Edit", "Gameboy Rom Edit",
         {{"Title", 16}, {"Licensee Code", 3}, {"Checksum", 5}, {"Destination", 0}, {"ROM Type", 0}},
         rom + QStringList{"Super Gameboy Game", "Japan", "Other", "Calculate Chec&ksum"}},
        {RomType::Nes, "a.nes", "NES Rom Edit", "NES Rom Edit",
         {{"Title", 128}, {"Mapper", 3}, {"Mirroring", 0}, {"First 'Reserved' Byte", 1}, {"Reserved Remainder", 8}},
         rom + QStringList{"SRAM Present", "Trainer Present", "4-Window VRAM"}},
        {RomType::Snes, "a.sfc", "SNES Rom Edit", "SNES Rom Edit",
         {{"Title", 21}, {"Makeup Byte", 3}, {"Licensee", 3}, {"Hi/LoRom", 0}, {"ROM Speed", 0}, {"Data Type", 0},
          {"Destination", 0}},
         rom + QStringList{"&LoRom", "&HiRom", "&Slow", "&Fast"}},
        {RomType::Genesis, "a.bin", "Genesis Rom Edit", "Sega 16+ Rom Edit",
         {{"International Title", 48}, {"Native Title", 48}, {"Product Code", 10}, {"I/O Support", 16}, {"Type Code", 2},
          {"Checksum", 5}, {"Country Codes", 3}},
         rom},
        {RomType::N64, "a.n64", "N64 Rom Edit", "N64 Rom Edit", {{"Title", 20}, {"Manufacturer", 1}, {"Cart ID", 2}, {"Country Code", 1}}, rom},
        {RomType::Mp3, "a.mp3", "MP3 Edit", "MP3 Tag Edit",
         {{"Title", 30}, {"Artist", 30}, {"Album", 30}, {"Year", 4}, {"Comment", 30}, {"Genre", 3}},
         {"&Write Info", "&Delete Tag", "&Cancel", "Also write ID3v2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::unique_ptr<CHeaderEditDialog> dialog = CreateEditDialog(c.type, Folder(), c.file, prompts, nullptr);
        EXPECT_EQ(dialog->windowTitle(), c.caption);
        ASSERT_TRUE(dialog->Load());
        EXPECT_EQ(dialog->windowTitle(), c.fileCaption + " - " + Q(c.file));
        for (const Labelled& labelled : c.labels) {
            QWidget* buddy = BuddyOf(*dialog, labelled.label);
            ASSERT_NE(buddy, nullptr) << labelled.label.toStdString();
            if (labelled.limit > 0) {
                auto* box = qobject_cast<QLineEdit*>(buddy);
                ASSERT_NE(box, nullptr) << labelled.label.toStdString();
                EXPECT_EQ(box->maxLength(), labelled.limit) << labelled.label.toStdString();
            }
        }
        QStringList buttons;
        for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) buttons << button->text();
        buttons.sort();
        QStringList expected = c.buttons;
        expected.sort();
        EXPECT_EQ(buttons, expected);
    }
    EXPECT_EQ(CreateEditDialog(RomType::Zip, Folder(), "a.zip", prompts, nullptr), nullptr);
}

TEST_F(EditDialogTest, ListsHoldTheirItemsInOrder) {
    Put("a.gb", samples::MakeGameboy({}));
    Put("a.sfc", samples::MakeSnes({}));
    const struct {
        RomType type;
        std::string file;
        QString label;
        QStringList items;
        int codeBoxLimit;  // of the "Other" box beside the list; 0 for none
    } cases[] = {
        {RomType::Gameboy, "a.gb", "ROM Type",
         {"ROM", "ROM+MBC1", "ROM+MBC1+RAM", "ROM+MBC1+RAM+BATT", "ROM+MBC2", "ROM+MBC2+BATT", "ROM+RAM", "ROM+RAM+BATT",
          "ROM+MBC3+RAM+BATT", "ROM+HuC1+RAM+BATT", "Other"},
         3},
        {RomType::Snes, "a.sfc", "Data Type",
         {"ROM", "ROM/RAM", "ROM/SRAM", "ROM/DSP1", "ROM/DSP1/RAM", "ROM/DSP1/SRAM", "ROM/FX", "ROM/RAM/GB", "ROM/DSP2",
          "Other"},
         3},
        {RomType::Snes, "a.sfc", "Destination",
         {"Japan (NTSC)", "USA (NTSC)", "Australia, Europe, Oceania and Asia (PAL)", "Sweden (PAL)", "Finland (PAL)",
          "Denmark (PAL)", "France (PAL)", "Holland (PAL)", "Spain (PAL)", "Germany, Austria and Switzerland (PAL)",
          "Italy (PAL)", "Hong Kong and China (PAL)", "Indonesia (PAL)", "Korea (PAL)"},
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label.toStdString());
        std::unique_ptr<CHeaderEditDialog> dialog = CreateEditDialog(c.type, Folder(), c.file, prompts, nullptr);
        ASSERT_TRUE(dialog->Load());
        EXPECT_EQ(ItemsOf(ListOf(*dialog, c.label)), c.items);
        auto* codes = qobject_cast<CodeList*>(BuddyOf(*dialog, c.label));
        EXPECT_EQ(codes != nullptr ? codes->CodeBox()->maxLength() : 0, c.codeBoxLimit);
    }
}

}  // namespace
}  // namespace edit_dialog_layout_test
}  // namespace vorne::ui::test
