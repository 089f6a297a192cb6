#include "ui/n64_edit_dialog.h"

#include <QLineEdit>

#include "ui/field_text.h"

namespace vorne::ui {

CN64EditDialog::CN64EditDialog(const std::string& folder, std::string name, CUserPrompts& prompts, QWidget* parent)
    : CHeaderEditDialog(std::make_unique<N64Header>(), folder, std::move(name), QStringLiteral("N64 Rom Edit"),
                        QStringLiteral("N64 Rom Edit"), &prompts, parent) {
    for (std::size_t i = 0; i < kBoxes.size(); ++i) boxes[i] = AddBox(kBoxes[i]);
    AddWriteHeadersButtons();
}

void CN64EditDialog::Fill() {
    for (std::size_t i = 0; i < kBoxes.size(); ++i) SetFieldBox(boxes[i], Column(kBoxes[i].field));
}

std::vector<FieldEdit> CN64EditDialog::HeaderEdits() const {
    std::vector<FieldEdit> edits;
    for (std::size_t i = 0; i < kBoxes.size(); ++i) edits.push_back({kBoxes[i].field, FieldBoxBytes(boxes[i])});
    return edits;
}

}  // namespace vorne::ui
