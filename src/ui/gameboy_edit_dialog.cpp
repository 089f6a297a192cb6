#include "ui/gameboy_edit_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "base/text_rules.h"
#include "ui/code_list.h"
#include "ui/field_text.h"

namespace vorne::ui {

namespace {

using Field = GameboyField;

// The destination codes of the two buttons.
constexpr std::int32_t kJapan = 0;
constexpr std::int32_t kOther = 1;

}  // namespace

CGameboyEditDialog::CGameboyEditDialog(const std::string& folder, std::string name, CUserPrompts& prompts,
                                       QWidget* parent)
    : CHeaderEditDialog(std::make_unique<GameboyHeader>(), folder, std::move(name), QStringLiteral("Gameboy Rom Edit"),
                        QStringLiteral("Gameboy Rom Edit"), &prompts, parent),
      header(static_cast<GameboyHeader&>(GetReader())) {
    titleBox = NewBox(16);
    AddRow(QStringLiteral("Title"), titleBox);

    // Both mirror the file: the mark cannot be set, and with it the licensee has no byte to go to.
    superGameboyBox = new QCheckBox(QStringLiteral("Super Gameboy Game"), this);
    superGameboyBox->setEnabled(false);
    Form()->addRow(static_cast<QWidget*>(nullptr), superGameboyBox);
    licenseeBox = NewBox(3);
    licenseeBox->setEnabled(false);
    AddRow(QStringLiteral("Licensee Code"), licenseeBox);

    AddButtonPair(QStringLiteral("Destination"), japanButton, QStringLiteral("Japan"),
                  otherButton, QStringLiteral("Other"));

    typeList = new CodeList(kGameboyCartridgeTypes, 3, this);
    AddRow(QStringLiteral("ROM Type"), typeList);

    auto* checksumRow = new QHBoxLayout;
    checksumBox = NewBox(5);
    auto* calculate = new QPushButton(QStringLiteral("Calculate Chec&ksum"), this);
    calculate->setAutoDefault(false);
    calculated = new QLabel(this);
    calculated->setTextInteractionFlags(Qt::TextSelectableByMouse);
    calculated->setMinimumWidth(calculated->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
    checksumRow->addWidget(checksumBox);
    checksumRow->addWidget(calculate);
    checksumRow->addWidget(calculated, 1);
    auto* checksumLabel = new QLabel(QStringLiteral("Checksum"), this);
    checksumLabel->setBuddy(checksumBox);
    Form()->addRow(checksumLabel, checksumRow);
    connect(calculate, &QPushButton::clicked, this, &CGameboyEditDialog::OnCalculateChecksum);

    AddWriteHeadersButtons();
}

void CGameboyEditDialog::Fill() {
    SetFieldBox(titleBox, header.Bytes(Field::Title));
    superGameboyBox->setChecked(header.Flag(Field::SuperGameboy));
    SetNumberBox(licenseeBox, header.Number(Field::Licensee));
    (header.Number(Field::Country) == kJapan ? japanButton : otherButton)->setChecked(true);
    typeList->Show(header.Number(Field::Type));
    SetNumberBox(checksumBox, header.Number(Field::Checksum));
}

void CGameboyEditDialog::OnCalculateChecksum() {
    std::uint16_t sum = 0;
    if (Attempt([this, &sum] { sum = header.CalculateChecksum(); })) {
        calculated->setText(QString::fromStdString(Decimal(sum)));
    }
}

std::vector<FieldEdit> CGameboyEditDialog::HeaderEdits() const {
    return {
        {Field::Title, FieldBoxBytes(titleBox)},
        {Field::SuperGameboy, superGameboyBox->isChecked()},
        {Field::Licensee, NumberBoxValue(licenseeBox)},
        {Field::Type, typeList->Code()},
        {Field::Country, japanButton->isChecked() ? kJapan : kOther},
        {Field::Checksum, NumberBoxValue(checksumBox)},
    };
}

}  // namespace vorne::ui
