#include "ui/header_edit_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <exception>

#include "catalogue/row_file.h"
#include "ui/byte_text.h"
#include "ui/field_text.h"
#include "ui/user_prompts.h"

namespace vorne::ui {

CHeaderEditDialog::CHeaderEditDialog(std::unique_ptr<RomHeader> reader, const std::string& folder, std::string name,
                                     const QString& caption, QString fileCaption, CUserPrompts* prompts,
                                     QWidget* parent)
    : QDialog(parent),
      reader(std::move(reader)),
      path(PathInFolder(folder, name)),
      name(std::move(name)),
      fileCaption(std::move(fileCaption)),
      prompts(prompts) {
    setWindowTitle(caption);
    form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    body = new QVBoxLayout(this);
    body->addLayout(form);
}

bool CHeaderEditDialog::Load() {
    const bool loaded = Attempt([this] { reader->LoadFile(path); });
    if (!loaded) return false;
    setWindowTitle(fileCaption + QStringLiteral(" - ") + FromBytes(name));
    Fill();
    return true;
}

bool CHeaderEditDialog::Attempt(const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (const std::exception& e) {
        // A file error carries the path and the platform's own message; a refusal says why.
        QWidget* owner = isVisible() ? this : parentWidget();
        if (prompts != nullptr) {
            prompts->Message(owner, QString::fromLatin1(kFileErrorTitle), FromBytes(e.what()),
                             PromptIcon::Warning);
        }
        return false;
    }
}

bool CHeaderEditDialog::Write(std::span<const FieldEdit> edits) {
    return Attempt([this, edits] { reader->WriteFields(edits); });
}

void CHeaderEditDialog::OnWriteHeaders() {
    const std::vector<FieldEdit> edits = HeaderEdits();
    if (!Write(edits)) return;  // the fields keep what the user typed, for another try
    // The fields show what the file holds now: a number that was not one shows as what was stored.
    if (Attempt([this] { reader->LoadFile(path); })) Fill();
}

void CHeaderEditDialog::AddRow(const QString& label, QWidget* field, QWidget* buddy) {
    auto* text = new QLabel(label, this);
    text->setBuddy(buddy != nullptr ? buddy : field);
    form->addRow(text, field);
}

QLineEdit* CHeaderEditDialog::NewBox(int limit) {
    auto* box = new QLineEdit(this);
    box->setMaxLength(limit);
    FitToLimit(box);
    return box;
}

QLineEdit* CHeaderEditDialog::AddBox(const FieldBox& field) {
    QLineEdit* box = NewBox(field.limit);
    AddRow(QString::fromLatin1(field.label), box);
    return box;
}

void CHeaderEditDialog::AddButtonPair(const QString& label, QRadioButton*& first, const QString& firstText,
                                      QRadioButton*& second, const QString& secondText) {
    auto* pair = new QWidget(this);
    first = new QRadioButton(firstText, pair);
    second = new QRadioButton(secondText, pair);
    auto* row = new QHBoxLayout(pair);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(first);
    row->addWidget(second);
    row->addStretch();
    AddRow(label, pair, first);
}

void CHeaderEditDialog::AddWriteHeadersButtons() {
    auto* write = new QPushButton(QStringLiteral("&Write Headers"), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    write->setAutoDefault(false);
    ok->setDefault(true);
    connect(write, &QPushButton::clicked, this, &CHeaderEditDialog::OnWriteHeaders);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);  // closes without writing
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(write);
    row->addWidget(ok);
    body->addLayout(row);
}

}  // namespace vorne::ui
