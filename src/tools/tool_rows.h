// What every batch tool reads from a row: the file it lists.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/rom_header.h"
#include "base/rom_type.h"
#include "catalogue/catalog_model.h"
#include "tools/tool_report.h"

namespace vorne {

// A refusal's message names its file first ("path: reason"); a report names the row itself and
// takes the reason alone.
std::string_view ReasonOf(std::string_view message, std::string_view path);

// What a tool reports of a file it changed (ToolReport::CellsChanged): the texts of every column
// of the file `reader` has loaded as it is now, but column 1, which the row keeps as it names the
// file.
std::vector<std::pair<int, std::string>> ChangedCells(const RomHeader& reader);

// Calls visit(row, filename) for every row, in order, that lists a file of its own (not an
// archive member: the tools never change a member), until the report asks to stop. `filename` is
// the row's path, as reports name it.
template <typename Visit>
void ForEachFileRow(std::span<const CatalogRow> rows, ToolReport& report, Visit visit) {
    for (const CatalogRow& row : rows) {
        if (report.StopRequested()) return;
        if (row.file.IsMember()) continue;
        visit(row, row.file.path);
    }
}

}  // namespace vorne
