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

// Fields, numbered as the columns they change (100 and up: values the dialog alone shows).
constexpr int kMapper = 3;
constexpr int kMirroring = 6;
constexpr int kSram = 7;
constexpr int kTrainer = 8;
constexpr int kFourScreen = 9;
constexpr int kTitle = 10;
constexpr int kReservedRemainder = 11;
constexpr int kFirstReserved = 100;

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
    SetFieldBox(titleBox, Column(kTitle));
    mapperBox->setMaxLength(header.IsNes2() ? kNes2MapperDigits : kMapperDigits);
    SetFieldBox(mapperBox, Column(kMapper));
    mirroringList->setCurrentIndex(Column(kMirroring) == "Vertical" ? 1 : 0);
    sramBox->setChecked(Column(kSram) == "Yes");
    trainerBox->setChecked(Column(kTrainer) == "Yes");
    fourScreenBox->setChecked(Column(kFourScreen) == "Yes");
    // Column 11 holds bytes 7 to 15 up to the first zero: byte 7 first, then the remainder.
    const std::string reserved = Column(kReservedRemainder);
    SetFieldBox(firstReservedBox, reserved.substr(0, 1));
    SetFieldBox(remainderBox, reserved.size() > 1 ? reserved.substr(1) : std::string());
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
        {kTitle, FieldBoxBytes(titleBox)},
        {kMapper, FieldBoxBytes(mapperBox)},
    };
    if (writeFirst) edits.push_back({kFirstReserved, FieldBoxBytes(firstReservedBox)});
    edits.push_back({kMirroring, std::to_string(mirroringList->currentIndex())});
    edits.push_back({kSram, CheckText(sramBox->isChecked())});
    edits.push_back({kTrainer, CheckText(trainerBox->isChecked())});
    edits.push_back({kFourScreen, CheckText(fourScreenBox->isChecked())});
    if (writeRemainder) edits.push_back({kReservedRemainder, FieldBoxBytes(remainderBox)});
    return edits;
}

}  // namespace vorne::ui
