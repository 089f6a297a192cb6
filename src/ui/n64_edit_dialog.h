// "N64 Rom Edit": title, manufacturer, cartridge ID and country of an N64 header, as stored.
#pragma once

#include <array>

#include "formats/n64.h"
#include "ui/header_edit_dialog.h"

namespace vorne::ui {

class CN64EditDialog final : public CHeaderEditDialog {
    Q_OBJECT

public:
    // In the order "&Write Headers" writes them.
    static constexpr std::array<FieldBox, 4> kBoxes{{
        {"Title", 20, 0},
        {"Manufacturer", 1, 3},
        {"Cart ID", 2, 4},
        {"Country Code", 1, 5},
    }};

    CN64EditDialog(const std::string& folder, std::string name, CUserPrompts& prompts, QWidget* parent = nullptr);

    // The box of kBoxes[i].
    QLineEdit* Box(std::size_t i) const { return boxes[i]; }

private:
    void Fill() override;
    std::vector<FieldEdit> HeaderEdits() const override;

    std::array<QLineEdit*, kBoxes.size()> boxes{};
};

}  // namespace vorne::ui
