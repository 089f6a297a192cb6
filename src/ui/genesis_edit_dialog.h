// "Genesis Rom Edit": the text fields and the checksum of a Genesis or 32X cartridge header,
// written back in the file's own layout (linear or interleaved).
#pragma once

#include <array>

#include "formats/genesis.h"
#include "ui/header_edit_dialog.h"

namespace vorne::ui {

class CGenesisEditDialog final : public CHeaderEditDialog {
    Q_OBJECT

public:
    static constexpr std::array<FieldBox, 7> kBoxes{{
        {"International Title", 48, 0},
        {"Native Title", 48, 8},
        {"Product Code", 10, 3},
        {"I/O Support", 16, 6},
        {"Type Code", 2, 100},
        {"Checksum", 5, 4},
        {"Country Codes", 3, 7},
    }};

    CGenesisEditDialog(const std::string& folder, std::string name, CUserPrompts& prompts, QWidget* parent = nullptr);

    // The box of kBoxes[i].
    QLineEdit* Box(std::size_t i) const { return boxes[i]; }

private:
    void Fill() override;
    std::vector<FieldEdit> HeaderEdits() const override;

    std::array<QLineEdit*, kBoxes.size()> boxes{};
};

}  // namespace vorne::ui
