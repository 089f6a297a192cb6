#include "ui/genesis_edit_dialog.h"

#include "formats/genesis.h"

namespace vorne::ui {

CGenesisEditDialog::CGenesisEditDialog(const std::string& folder, std::string name, CUserPrompts& prompts,
                                       QWidget* parent)
    : CBoxesEditDialog(std::make_unique<GenesisHeader>(), folder, std::move(name), QStringLiteral("Genesis Rom Edit"),
                       QStringLiteral("Sega 16+ Rom Edit"), prompts, parent, kBoxes, kWriteOrder) {}

}  // namespace vorne::ui
