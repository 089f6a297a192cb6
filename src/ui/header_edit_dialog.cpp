#include "ui/header_edit_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "catalogue/row_file.h"
#include "ui/byte_text.h"
#include "ui/dialog_width.h"
#include "ui/field_text.h"
#include "ui/user_prompts.h"

namespace vorne::ui {

namespace {

// How long the note of a write stays.
constexpr int kNoteMilliseconds = 4000;

bool SameEdits(const std::vector<FieldEdit>& a, const std::vector<FieldEdit>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const FieldEdit& x, const FieldEdit& y) { return x.field == y.field && x.value == y.value; });
}

}  // namespace

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
    KeepTitleVisible(*this);
}

bool CHeaderEditDialog::Load() {
    if (!Attempt([this] { reader->LoadFile(path); })) return false;
    setWindowTitle(fileCaption + QStringLiteral(" - ") + FromBytes(name));
    Fill();
    loaded = true;
    shownEdits = HeaderEdits();
    return true;
}

bool CHeaderEditDialog::Changed() const { return loaded && !SameEdits(HeaderEdits(), shownEdits); }

bool CHeaderEditDialog::WriteChanges() { return Write(HeaderEdits()); }

void CHeaderEditDialog::done(int result) {
    if (prompts != nullptr && Changed()) {
        switch (prompts->QuestionOrCancel(this, windowTitle(), QStringLiteral("Write the changes?"))) {
            case PromptAnswer::Yes:
                if (!WriteChanges()) return;  // the failure was shown; the edits stay for another try
                break;
            case PromptAnswer::No: break;
            case PromptAnswer::Cancel: return;
        }
    }
    QDialog::done(result);
}

void CHeaderEditDialog::CloseAsIs(int result) { QDialog::done(result); }

void CHeaderEditDialog::ShowNote(const QString& text) {
    if (writtenNote == nullptr) return;
    writtenNote->setText(text);
    noteTimer->start();
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
    ShowNote(QStringLiteral("Headers written."));
    // The fields show what the file holds now: a number that was not one shows as what was stored.
    if (Attempt([this] { reader->LoadFile(path); })) Fill();
    shownEdits = HeaderEdits();
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
    writtenNote = new QLabel(this);
    noteTimer = new QTimer(this);
    noteTimer->setSingleShot(true);
    noteTimer->setInterval(kNoteMilliseconds);
    connect(noteTimer, &QTimer::timeout, writtenNote, &QLabel::clear);
    auto* row = new QHBoxLayout;
    row->addWidget(writtenNote, 1);
    row->addWidget(write);
    row->addWidget(ok);
    body->addLayout(row);
}

}  // namespace vorne::ui
