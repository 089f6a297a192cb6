// "N64 Rom Edit": title, manufacturer, cartridge ID and country of an N64 header, as stored.
#pragma once

#include <array>

#include "ui/boxes_edit_dialog.h"

namespace vorne::ui {

class CN64EditDialog final : public CBoxesEditDialog {
    Q_OBJECT

public:
    // From top to bottom, which is also the order "&Write Headers" writes them in.
    static constexpr std::array<FieldBox, 4> kBoxes{{
        {"Title", 20, N64Field::Title},
        {"Manufacturer", 1, N64Field::Licensee},
        {"Cart ID", 2, N64Field::CartId},
        {"Country Code", 1, N64Field::Country},
    }};
    static constexpr std::array<std::size_t, 4> kWriteOrder{0, 1, 2, 3};

    CN64EditDialog(const std::string& folder, std::string name, CUserPrompts& prompts, QWidget* parent = nullptr);
};

}  // namespace vorne::ui
