// Removing NES trainers: the 512 bytes between the 16-byte header and the program data go, and
// the trainer flag with them (NesHeader::RemoveTrainer, through a temporary file).
//
// A row whose Trainer column reads exactly "No" is passed over. A file with a trainer has a length
// of 528 (header and trainer) plus whole 8 KiB banks, so its length mod 8192 is 528; when that
// remainder is below 512 the user is asked whether to go on ("Bad Size"). A file shorter than
// 528 bytes cannot hold a trainer at all: it is never cut, only named.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "catalogue/catalog_model.h"
#include "tools/tool_report.h"

namespace vorne {

inline constexpr std::int64_t kSmallestTrainedFile = 16 + 512;

// Whether the size check asks about a file of `size` bytes.
bool TrainerSizeIsSuspect(std::int64_t size);

// The question of the size check, for the row named `filename`.
std::string BadSizeQuestion(std::string_view filename);

// The trainer remover over rows of the NES kind (column 1 the file relative to `folder`, column 2
// its size, column 8 its Trainer text; archive members skipped). Returns how many trainers were
// removed. The whole-list variant ends with the summary "Trainer Remover"; the selection variant
// shows "Processing..." in status part 0 and each file in part 2. Each file changed is reported
// with its new cells (CellsChanged). A file error ends the command (FileError); the files done
// before it stay done.
int RemoveNesTrainers(const std::string& folder, std::span<const CatalogRow> rows, ToolScope scope, ToolReport& report);

// "%d trainers removed."
std::string TrainerSummary(int removed);

}  // namespace vorne
