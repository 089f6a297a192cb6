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

// Fields, numbered as the columns they change (100 and up: values the dialog alone shows).
constexpr int kTitle = 0;
constexpr int kChecksum = 5;
constexpr int kLicensee = 6;
constexpr int kSuperGameboy = 7;
constexpr int kDestination = 8;
constexpr int kType = 9;
constexpr int kTypeCode = 100;

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
    SetFieldBox(titleBox, Column(kTitle));
    superGameboyBox->setChecked(Column(kSuperGameboy) == "Yes");
    SetFieldBox(licenseeBox, Column(kLicensee));
    (Column(kDestination) == "Japan" ? japanButton : otherButton)->setChecked(true);
    typeList->Show(Column(kTypeCode));
    SetFieldBox(checksumBox, Column(kChecksum));
}

void CGameboyEditDialog::OnCalculateChecksum() {
    std::uint16_t sum = 0;
    if (Attempt([this, &sum] { sum = header.CalculateChecksum(); })) {
        calculated->setText(QString::fromStdString(Decimal(sum)));
    }
}

std::vector<FieldEdit> CGameboyEditDialog::HeaderEdits() const {
    return {
        {kTitle, FieldBoxBytes(titleBox)},
        {kSuperGameboy, CheckText(superGameboyBox->isChecked())},
        {kLicensee, FieldBoxBytes(licenseeBox)},
        {kType, typeList->CodeText()},
        {kDestination, japanButton->isChecked() ? "0" : "1"},
        {kChecksum, FieldBoxBytes(checksumBox)},
    };
}

}  // namespace vorne::ui
