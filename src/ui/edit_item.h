// The pieces of Edit Item: the header edit dialog of a kind, and a list row read afresh from a
// file after it was edited.
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "base/rom_type.h"
#include "ui/header_edit_dialog.h"

namespace vorne::ui {

class CUserPrompts;

// The edit dialog of `type` for the file `name` (as the list names it) in `folder`, not loaded
// yet; null for the Zip kind, whose rows have no header.
std::unique_ptr<CHeaderEditDialog> CreateEditDialog(RomType type, const std::string& folder, const std::string& name,
                                                    CUserPrompts& prompts, QWidget* parent);

// The row of `name` in `folder`, read from disk as a scan reads it (NES names from the known-dump
// list at `knownDumpsPath`). Throws FileError when the file cannot be read.
std::vector<std::string> ReadRow(RomType type, const std::string& folder, const std::string& name,
                                 const std::string& knownDumpsPath);

}  // namespace vorne::ui
