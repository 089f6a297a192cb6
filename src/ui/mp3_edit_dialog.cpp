#include "ui/mp3_edit_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "base/text_rules.h"
#include "ui/field_text.h"
#include "ui/user_prompts.h"

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

// A genre is written only when its box holds a number: a genre of 0 is "Blues", not "none".
bool IsGenreNumber(const std::string& text) {
    const std::size_t start = text.find_first_not_of(' ');
    const std::size_t end = text.find_last_not_of(' ');
    if (start == std::string::npos) return false;
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(start), text.begin() + static_cast<std::ptrdiff_t>(end) + 1,
                       [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

CMp3EditDialog::CMp3EditDialog(const std::string& folder, std::string name, CUserPrompts& prompts, QWidget* parent)
    : CMp3EditDialog(true, folder, std::move(name), prompts, parent) {}

CMp3EditDialog::CMp3EditDialog(int fileCount, CUserPrompts& prompts, QWidget* parent)
    : CMp3EditDialog(false, std::string(), std::string(), prompts, parent) {
    this->fileCount = fileCount;
}

CMp3EditDialog::CMp3EditDialog(bool singleFile, const std::string& folder, std::string name, CUserPrompts& prompts,
                               QWidget* parent)
    : CHeaderEditDialog(std::make_unique<Mp3Tag>(), folder, std::move(name), QStringLiteral("MP3 Edit"),
                        QStringLiteral("MP3 Tag Edit"), &prompts, parent),
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
    connect(cancel, &QPushButton::clicked, this, [this] { CloseAsIs(Rejected); });  // the edits are thrown away
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
        shownTexts[i] = FieldBoxBytes(boxes[i]);
    }
}

bool CMp3EditDialog::Changed() const {
    if (!singleFile) return false;  // no file to compare with: the texts are only kept
    for (std::size_t i = 0; i < kBoxes.size(); ++i) {
        if (FieldBoxBytes(boxes[i]) != shownTexts[i]) return true;
    }
    return false;
}

std::string CMp3EditDialog::FieldText(int index) const {
    for (const FieldBox& box : kBoxes) {
        if (box.field == index) return fieldTexts[static_cast<std::size_t>(index)];
    }
    return std::string();
}

bool CMp3EditDialog::WriteChanges() {
    for (std::size_t i = 0; i < kBoxes.size(); ++i) {
        std::string text = FieldBoxBytes(boxes[i]);
        if (kBoxes[i].field == kGenre && !IsGenreNumber(text)) text.clear();
        fieldTexts[static_cast<std::size_t>(kBoxes[i].field)] = std::move(text);
    }
    if (!singleFile) return true;
    // Every field is written, an empty one as a blank; only a genre that is no number is not
    // written: the tag keeps its genre, a new tag gets 255, none.
    std::vector<FieldEdit> edits;
    for (std::size_t i = 0; i < kBoxes.size(); ++i) {
        const int field = kBoxes[i].field;
        if (field == kGenre && fieldTexts[static_cast<std::size_t>(field)].empty()) continue;
        edits.push_back({field, ValueBoxValue(boxes[i], *tag.WritableType(field))});
    }
    return Write(edits);
}

void CMp3EditDialog::OnWriteInfo() {
    if (WriteChanges()) CloseAsIs(Accepted);
}

void CMp3EditDialog::OnDeleteTag() {
    if (!singleFile) {
        const QString text = fileCount == 1 ? QStringLiteral("Delete the tag of 1 file?")
                                            : QStringLiteral("Delete the tags of %1 files?").arg(fileCount);
        if (Prompts()->CautiousQuestion(this, windowTitle(), text)) CloseAsIs(DeleteTagsResult);
        return;
    }
    if (Attempt([this] { tag.DeleteTag(); })) CloseAsIs(Accepted);
}

}  // namespace vorne::ui
