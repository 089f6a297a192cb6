#include "ui/genesis_edit_dialog.h"

#include <QLineEdit>

#include "ui/field_text.h"

namespace vorne::ui {

namespace {

// "&Write Headers" writes the boxes in this order (indices into kBoxes): the titles, the product
// code, the checksum, the type code, the I/O letters, the countries.
constexpr std::array<std::size_t, 7> kWriteOrder{0, 1, 2, 5, 4, 3, 6};

}  // namespace

CGenesisEditDialog::CGenesisEditDialog(const std::string& folder, std::string name, CUserPrompts& prompts,
                                       QWidget* parent)
    : CHeaderEditDialog(std::make_unique<GenesisHeader>(), folder, std::move(name), QStringLiteral("Genesis Rom Edit"),
                        QStringLiteral("Sega 16+ Rom Edit"), &prompts, parent) {
    for (std::size_t i = 0; i < kBoxes.size(); ++i) boxes[i] = AddBox(kBoxes[i]);
    AddWriteHeadersButtons();
}

void CGenesisEditDialog::Fill() {
    for (std::size_t i = 0; i < kBoxes.size(); ++i) SetFieldBox(boxes[i], Column(kBoxes[i].field));
}

std::vector<FieldEdit> CGenesisEditDialog::HeaderEdits() const {
    std::vector<FieldEdit> edits;
    for (std::size_t i : kWriteOrder) edits.push_back({kBoxes[i].field, FieldBoxBytes(boxes[i])});
    return edits;
}

}  // namespace vorne::ui
