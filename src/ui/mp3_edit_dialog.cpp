#include "ui/mp3_edit_dialog.h"

#include <QCheckBox>
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
    alsoId3v2 = new QCheckBox(QStringLiteral("Also write ID3v2"), this);
    Body()->addWidget(alsoId3v2);

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
    if (!singleFile) {
        auto* eraseId3v2 = new QPushButton(QStringLiteral("Delete ID3v2 Tag"), this);
        eraseId3v2->setAutoDefault(false);
        connect(eraseId3v2, &QPushButton::clicked, this, [this] { done(DeleteId3v2TagsResult); });
        row->addWidget(eraseId3v2);
    }
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
    // A file with an ID3v2 tag has it written in step anyway.
    alsoId3v2->setVisible(tag.Id3v2Version() == 0);
}

bool CMp3EditDialog::AlsoWriteId3v2() const { return alsoId3v2->isVisibleTo(this) && alsoId3v2->isChecked(); }

std::string CMp3EditDialog::FieldText(int index) const {
    for (const FieldBox& box : kBoxes) {
        if (box.field == index) return fieldTexts[static_cast<std::size_t>(index)];
    }
    return std::string();
}

void CMp3EditDialog::OnWriteInfo() {
    std::vector<int> changed;
    for (std::size_t i = 0; i < kBoxes.size(); ++i) {
        std::string& text = fieldTexts[static_cast<std::size_t>(kBoxes[i].field)];
        std::string typed = FieldBoxBytes(boxes[i]);
        if (typed != text) changed.push_back(kBoxes[i].field);
        text = std::move(typed);
    }
    if (singleFile) {
        // The ID3v2 tag holds more than the boxes show: only what the user changed goes into it.
        tag.SetAddId3v2(AlsoWriteId3v2());
        tag.SetId3v2Fields(changed);
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
