// A header edit dialog made of edit boxes alone, one labelled row each (a number box for a field
// that takes a number, a text box for the others), written in an order of the kind's own.
#pragma once

#include <span>
#include <vector>

#include "ui/header_edit_dialog.h"

namespace vorne::ui {

class CBoxesEditDialog : public CHeaderEditDialog {
    Q_OBJECT

public:
    // The box of row `i`.
    QLineEdit* Box(std::size_t i) const { return boxes[i]; }

protected:
    // `rows` from top to bottom; `writeOrder` the rows' indices in the order "&Write Headers"
    // writes them. Both are tables that outlive the dialog.
    CBoxesEditDialog(std::unique_ptr<RomHeader> reader, const std::string& folder, std::string name,
                     const QString& caption, QString fileCaption, CUserPrompts& prompts, QWidget* parent,
                     std::span<const FieldBox> rows, std::span<const std::size_t> writeOrder);

private:
    void Fill() override;
    std::vector<FieldEdit> HeaderEdits() const override;

    const RomHeader& reader;
    std::span<const FieldBox> rows;
    std::span<const std::size_t> writeOrder;
    std::vector<QLineEdit*> boxes;
};

}  // namespace vorne::ui
