// Finding the rows that duplicate an earlier row: same key (column 0), same size class (column 2
// in units of 8 KiB) and the same decoded columns (3 on; for NES without the internal title and
// the reserved bytes, which do not belong to the image).
#pragma once

#include <array>
#include <functional>
#include <string>

#include "catalogue/catalog_model.h"
#include "catalogue/status_parts.h"
#include "base/rom_type.h"

namespace vorne {

// Which rows are duplicates: those that agree in the key, the size class and the decoded columns
// (the default), or those whose hashed data agree (size and CRC-32, and the SHA-1 where both
// have one), plain files and members alike. Rows without hashes are unique by their data.
enum class DuplicateRule { Columns, Data };

// Where the finder shows its progress: status bar part and text.
using StatusSink = std::function<void(int part, std::string text)>;

// Sorts the model by column 0 and forms the duplicate groups afresh. Returns the number of rows
// that duplicate no earlier row (shown as "%d known unique").
int FindDuplicates(CatalogModel& model, RomType type, const StatusSink& status, DuplicateRule rule = DuplicateRule::Columns);

// Re-checks row `row` after its texts were rewritten and RepositionRow moved it there; updates the
// groups and `uniqueCount`, and shows the count.
// By their data, a row re-checked has no hashes any more (its file was rewritten) and is unique.
void RecheckRow(CatalogModel& model, RomType type, int row, int& uniqueCount, const StatusSink& status,
                DuplicateRule rule = DuplicateRule::Columns);

// The text "%d known unique".
std::string KnownUniqueText(int uniqueCount);

}  // namespace vorne
