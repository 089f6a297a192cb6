#include "ui/snes_edit_dialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <array>

#include "formats/snes_tables.h"
#include "ui/code_list.h"
#include "ui/field_text.h"

namespace vorne::ui {

namespace {

using Field = SnesField;

// The map mode the buttons stand for: 0x20, plus 1 for HiROM, plus 0x10 for the fast speed.
constexpr int kMapModeBase = 0x20;
constexpr int kHiRomBit = 0x01;
constexpr int kFastBit = 0x10;

// The destination list, in code order 0 to 13.
constexpr std::array<const char*, 14> kDestinationItems{
    "Japan (NTSC)",
    "USA (NTSC)",
    "Australia, Europe, Oceania and Asia (PAL)",
    "Sweden (PAL)",
    "Finland (PAL)",
    "Denmark (PAL)",
    "France (PAL)",
    "Holland (PAL)",
    "Spain (PAL)",
    "Germany, Austria and Switzerland (PAL)",
    "Italy (PAL)",
    "Hong Kong and China (PAL)",
    "Indonesia (PAL)",
    "Korea (PAL)",
};

}  // namespace

CSnesEditDialog::CSnesEditDialog(const std::string& folder, std::string name, CUserPrompts& prompts, QWidget* parent)
    : CHeaderEditDialog(std::make_unique<SnesHeader>(), folder, std::move(name), QStringLiteral("SNES Rom Edit"),
                        QStringLiteral("SNES Rom Edit"), &prompts, parent),
      header(static_cast<SnesHeader&>(GetReader())) {
    titleBox = NewBox(21);
    AddRow(QStringLiteral("Title"), titleBox);
    AddButtonPair(QStringLiteral("Hi/LoRom"), loRomButton, QStringLiteral("&LoRom"),
                  hiRomButton, QStringLiteral("&HiRom"));
    AddButtonPair(QStringLiteral("ROM Speed"), slowButton, QStringLiteral("&Slow"),
                  fastButton, QStringLiteral("&Fast"));
    makeupBox = NewBox(3);
    AddRow(QStringLiteral("Makeup Byte"), makeupBox);
    typeList = new CodeList(snes::kCartridgeTypes, 3, this);
    AddRow(QStringLiteral("Data Type"), typeList);
    destinationList = new QComboBox(this);
    for (std::size_t code = 0; code < kDestinationItems.size(); ++code) {
        destinationList->addItem(QString::fromLatin1(kDestinationItems[code]), static_cast<int>(code));
    }
    AddRow(QStringLiteral("Destination"), destinationList);
    licenseeBox = NewBox(3);
    AddRow(QStringLiteral("Licensee"), licenseeBox);
    AddWriteHeadersButtons();

    // Only a click sets the makeup byte: filling the buttons from the file leaves it as read.
    for (QRadioButton* button : {loRomButton, hiRomButton, slowButton, fastButton}) {
        connect(button, &QRadioButton::clicked, this, &CSnesEditDialog::OnMapButton);
    }
}

void CSnesEditDialog::Fill() {
    SetFieldBox(titleBox, header.Bytes(Field::Title));
    (header.Flag(Field::HiLo) ? hiRomButton : loRomButton)->setChecked(true);
    (header.Flag(Field::Speed) ? fastButton : slowButton)->setChecked(true);
    SetNumberBox(makeupBox, header.Number(Field::MapMode));
    typeList->Show(header.Number(Field::Type));
    ShowDestination(header.Number(Field::Country));
    SetNumberBox(licenseeBox, header.Number(Field::LicenseeCode));
}

void CSnesEditDialog::ShowDestination(int code) {
    // A code the list does not name gets an item of its own, showing its number, so that an
    // unchanged dialog writes the same code back.
    while (destinationList->count() > static_cast<int>(kDestinationItems.size())) {
        destinationList->removeItem(destinationList->count() - 1);
    }
    if (code >= static_cast<int>(kDestinationItems.size())) destinationList->addItem(QString::number(code), code);
    destinationList->setCurrentIndex(destinationList->findData(code));
}

void CSnesEditDialog::OnMapButton() {
    const int mapMode = kMapModeBase | (hiRomButton->isChecked() ? kHiRomBit : 0) | (fastButton->isChecked() ? kFastBit : 0);
    SetNumberBox(makeupBox, mapMode);
}

std::vector<FieldEdit> CSnesEditDialog::HeaderEdits() const {
    return {
        {Field::MapMode, NumberBoxValue(makeupBox)},
        {Field::Title, FieldBoxBytes(titleBox)},
        {Field::Type, typeList->Code()},
        {Field::Country, destinationList->currentData().toInt()},
        {Field::LicenseeCode, NumberBoxValue(licenseeBox)},
    };
}

}  // namespace vorne::ui
