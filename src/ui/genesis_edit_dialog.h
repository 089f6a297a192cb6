// "Genesis Rom Edit": the text fields and the checksum of a Genesis or 32X cartridge header,
// written back in the file's own layout (linear or interleaved).
#pragma once

#include <array>

#include "ui/boxes_edit_dialog.h"

namespace vorne::ui {

class CGenesisEditDialog final : public CBoxesEditDialog {
    Q_OBJECT

public:
    // From top to bottom.
    static constexpr std::array<FieldBox, 7> kBoxes{{
        {"International Title", 48, GenesisField::InternationalTitle},
        {"Native Title", 48, GenesisField::NativeTitle},
        {"Product Code", 10, GenesisField::ProductCode},
        {"I/O Support", 16, GenesisField::IoSupport},
        {"Type Code", 2, GenesisField::TypeCode},
        {"Checksum", 5, GenesisField::Checksum},
        {"Country Codes", 3, GenesisField::Countries},
    }};
    // "&Write Headers" writes the titles, the product code, the checksum, the type code, the I/O
    // letters, the countries.
    static constexpr std::array<std::size_t, 7> kWriteOrder{0, 1, 2, 5, 4, 3, 6};

    CGenesisEditDialog(const std::string& folder, std::string name, CUserPrompts& prompts, QWidget* parent = nullptr);
};

}  // namespace vorne::ui
