#include "ui/n64_edit_dialog.h"

#include "formats/n64.h"

namespace vorne::ui {

CN64EditDialog::CN64EditDialog(const std::string& folder, std::string name, CUserPrompts& prompts, QWidget* parent)
    : CBoxesEditDialog(std::make_unique<N64Header>(), folder, std::move(name), QStringLiteral("N64 Rom Edit"),
                       QStringLiteral("N64 Rom Edit"), prompts, parent, kBoxes, kWriteOrder) {}

}  // namespace vorne::ui
