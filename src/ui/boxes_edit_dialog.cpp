#include "ui/boxes_edit_dialog.h"

#include <QLineEdit>

#include "ui/field_text.h"

namespace vorne::ui {

CBoxesEditDialog::CBoxesEditDialog(std::unique_ptr<RomHeader> reader, const std::string& folder, std::string name,
                                   const QString& caption, QString fileCaption, CUserPrompts& prompts, QWidget* parent,
                                   std::span<const FieldBox> rows, std::span<const std::size_t> writeOrder)
    : CHeaderEditDialog(std::move(reader), folder, std::move(name), caption, std::move(fileCaption), &prompts, parent),
      reader(GetReader()),
      rows(rows),
      writeOrder(writeOrder) {
    for (const FieldBox& row : rows) boxes.push_back(AddBox(row));
    AddWriteHeadersButtons();
}

void CBoxesEditDialog::Fill() {
    for (std::size_t i = 0; i < rows.size(); ++i) SetValueBox(boxes[i], *reader.Value(rows[i].field));
}

std::vector<FieldEdit> CBoxesEditDialog::HeaderEdits() const {
    std::vector<FieldEdit> edits;
    for (std::size_t i : writeOrder) {
        edits.push_back({rows[i].field, ValueBoxValue(boxes[i], *reader.WritableType(rows[i].field))});
    }
    return edits;
}

}  // namespace vorne::ui
