#include "ui/nes_edit_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "ui/field_text.h"

namespace vorne::ui {

namespace {

using Field = NesField;

// The items of the mirroring list.
constexpr int kHorizontalItem = 0;
constexpr int kVerticalItem = 1;

// Eight mapper bits take three digits, the twelve of NES 2.0 four.
constexpr int kMapperDigits = 3;
constexpr int kNes2MapperDigits = 4;

constexpr const char* kReservedWarning =
    "Warning!  This is the character representation of the high mapper nibble byte, involved in calculating the "
    "mapper number.  If the remainder is occupied and this character is legible, it's probably safe to delete.";

}  // namespace

CNesEditDialog::CNesEditDialog(const std::string& folder, std::string name, CUserPrompts& prompts, QWidget* parent)
    : CHeaderEditDialog(std::make_unique<NesHeader>(), folder, std::move(name), QStringLiteral("NES Rom Edit"),
                        QStringLiteral("NES Rom Edit"), &prompts, parent),
      header(static_cast<NesHeader&>(GetReader())) {
    titleBox = NewBox(static_cast<int>(NesHeader::kTitleSize));
    AddRow(QStringLiteral("Title"), titleBox);
    mapperBox = NewBox(kMapperDigits);
    AddRow(QStringLiteral("Mapper"), mapperBox);
    mirroringList = new QComboBox(this);
    mirroringList->addItems({QStringLiteral("Horizontal"), QStringLiteral("Vertical")});
    mirroringList->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    AddRow(QStringLiteral("Mirroring"), mirroringList);
    sramBox = new QCheckBox(QStringLiteral("SRAM Present"), this);
    trainerBox = new QCheckBox(QStringLiteral("Trainer Present"), this);
    fourScreenBox = new QCheckBox(QStringLiteral("4-Window VRAM"), this);
    for (QCheckBox* box : {sramBox, trainerBox, fourScreenBox}) Form()->addRow(static_cast<QWidget*>(nullptr), box);

    firstReservedBox = NewBox(1);
    auto* warning = new QLabel(QString::fromLatin1(kReservedWarning), this);
    warning->setWordWrap(true);
    auto* firstRow = new QHBoxLayout;
    firstRow->addWidget(firstReservedBox, 0, Qt::AlignTop);
    firstRow->addWidget(warning, 1);
    auto* firstLabel = new QLabel(QStringLiteral("First 'Reserved' Byte"), this);
    firstLabel->setBuddy(firstReservedBox);
    Form()->addRow(firstLabel, firstRow);
    remainderBox = NewBox(8);
    AddRow(QStringLiteral("Reserved Remainder"), remainderBox);

    AddWriteHeadersButtons();
}

void CNesEditDialog::Fill() {
    SetFieldBox(titleBox, header.Bytes(Field::InternalTitle));
    mapperBox->setMaxLength(header.IsNes2() ? kNes2MapperDigits : kMapperDigits);
    SetNumberBox(mapperBox, header.Number(Field::Mapper));
    mirroringList->setCurrentIndex(header.Flag(Field::Mirroring) ? kVerticalItem : kHorizontalItem);
    sramBox->setChecked(header.Flag(Field::Sram));
    trainerBox->setChecked(header.Flag(Field::Trainer));
    fourScreenBox->setChecked(header.Flag(Field::FourScreen));
    SetFieldBox(firstReservedBox, header.Bytes(Field::FirstReservedByte));
    SetFieldBox(remainderBox, header.Bytes(Field::Reserved));
    firstReservedShown = firstReservedBox->text();
    remainderShown = remainderBox->text();
}

std::vector<FieldEdit> CNesEditDialog::HeaderEdits() const {
    // An NES 2.0 header's bytes 7 to 15 are more than their text shows: they are written only
    // when the user changed them. In an older header byte 7 is written back whenever it shows,
    // since the mapper write before it rewrites that byte. Bytes 8 to 15 behind a zero byte 7
    // (or behind a zero of their own) show as nothing at all, so the remainder is written only
    // when the user changed it: an unchanged dialog never wipes bytes it could not show.
    const bool nes2 = header.IsNes2();
    const bool writeFirst = !firstReservedBox->text().isEmpty() && (!nes2 || firstReservedBox->text() != firstReservedShown);
    const bool writeRemainder = remainderBox->text() != remainderShown;

    std::vector<FieldEdit> edits{
        {Field::InternalTitle, FieldBoxBytes(titleBox)},
        {Field::Mapper, NumberBoxValue(mapperBox)},
    };
    if (writeFirst) edits.push_back({Field::FirstReservedByte, FieldBoxBytes(firstReservedBox)});
    edits.push_back({Field::Mirroring, mirroringList->currentIndex() == kVerticalItem});
    edits.push_back({Field::Sram, sramBox->isChecked()});
    edits.push_back({Field::Trainer, trainerBox->isChecked()});
    edits.push_back({Field::FourScreen, fourScreenBox->isChecked()});
    if (writeRemainder) edits.push_back({Field::Reserved, FieldBoxBytes(remainderBox)});
    return edits;
}

}  // namespace vorne::ui
