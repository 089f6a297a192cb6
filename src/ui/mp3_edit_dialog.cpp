#include "ui/mp3_edit_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/text_rules.h"
#include "ui/field_text.h"

namespace vorne::ui {

namespace {

constexpr int kGenre = FieldNumber(Mp3Field::Genre);

constexpr const char* kMassModeNote =
    "To erase data in a field in all selected files, place spaces in that field.\n"
    "Empty fields will not overwrite old data.";

// Tag texts are padded with blanks by many taggers.
std::string WithoutTrailingBlanks(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

}  // namespace

CMp3EditDialog::CMp3EditDialog(const std::string& folder, std::string name, CUserPrompts& prompts, QWidget* parent)
    : CMp3EditDialog(true, folder, std::move(name), &prompts, parent) {}

CMp3EditDialog::CMp3EditDialog(QWidget* parent) : CMp3EditDialog(false, std::string(), std::string(), nullptr, parent) {}

CMp3EditDialog::CMp3EditDialog(bool singleFile, const std::string& folder, std::string name, CUserPrompts* prompts,
                               QWidget* parent)
    : CHeaderEditDialog(std::make_unique<Mp3Tag>(), folder, std::move(name), QStringLiteral("MP3 Edit"),
                        QStringLiteral("MP3 Tag Edit"), prompts, parent),
      tag(static_cast<Mp3Tag&>(GetReader())),
      singleFile(singleFile) {
    for (std::size_t i = 0; i < kBoxes.size(); ++i) boxes[i] = AddBox(kBoxes[i]);
    note = new QLabel(this);
    if (singleFile) {
        note->hide();  // empty: no blank line under the form
    } else {
        note->setText(QString::fromLatin1(kMassModeNote));
    }
    Body()->addWidget(note);

    auto* write = new QPushButton(QStringLiteral("&Write Info"), this);
    auto* erase = new QPushButton(QStringLiteral("&Delete Tag"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    write->setDefault(true);
    erase->setAutoDefault(false);
    cancel->setAutoDefault(false);
    connect(write, &QPushButton::clicked, this, &CMp3EditDialog::OnWriteInfo);
    connect(erase, &QPushButton::clicked, this, &CMp3EditDialog::OnDeleteTag);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(write);
    row->addWidget(erase);
    row->addWidget(cancel);
    Body()->addLayout(row);
}

void CMp3EditDialog::Fill() {
    for (std::size_t i = 0; i < kBoxes.size(); ++i) {
        const int field = kBoxes[i].field;
        std::string& text = fieldTexts[static_cast<std::size_t>(field)];
        const std::optional<FieldValue> value = tag.Value(field);
        if (!value) {
            text.clear();  // the genre of a file without a tag
        } else if (const auto* number = std::get_if<std::int32_t>(&*value)) {
            text = Decimal(*number);
        } else {
            text = WithoutTrailingBlanks(std::get<std::string>(*value));
        }
        SetFieldBox(boxes[i], text);
    }
}

std::string CMp3EditDialog::FieldText(int index) const {
    for (const FieldBox& box : kBoxes) {
        if (box.field == index) return fieldTexts[static_cast<std::size_t>(index)];
    }
    return std::string();
}

void CMp3EditDialog::OnWriteInfo() {
    for (std::size_t i = 0; i < kBoxes.size(); ++i) {
        fieldTexts[static_cast<std::size_t>(kBoxes[i].field)] = FieldBoxBytes(boxes[i]);
    }
    if (singleFile) {
        // Every field is written, an empty one as a blank; only an empty genre box writes no
        // genre (it would store genre 0): the tag keeps its genre, a new tag gets 255, none.
        std::vector<FieldEdit> edits;
        for (std::size_t i = 0; i < kBoxes.size(); ++i) {
            const int field = kBoxes[i].field;
            if (field == kGenre && fieldTexts[static_cast<std::size_t>(field)].empty()) continue;
            edits.push_back({field, ValueBoxValue(boxes[i], *tag.WritableType(field))});
        }
        if (!Write(edits)) return;
    }
    accept();
}

void CMp3EditDialog::OnDeleteTag() {
    if (!singleFile) {
        done(DeleteTagsResult);
        return;
    }
    if (Attempt([this] { tag.DeleteTag(); })) accept();
}

}  // namespace vorne::ui
