// What every batch tool reads from a row: the file its column 1 names.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "base/rom_type.h"
#include "catalogue/catalog_model.h"
#include "tools/tool_report.h"

namespace vorne {

// Column 1 of an archive member reads "%s <%s>": the tools never change such a row's file.
bool IsArchiveMember(std::string_view filename);

// The file a row names: `filename` (column 1) inside `folder`; `filename` alone when `folder` is
// empty (rows that name their files from the current folder, or by full paths).
std::string RowFilePath(const std::string& folder, std::string_view filename);

// A refusal's message names its file first ("path: reason"); a report names the row itself and
// takes the reason alone.
std::string_view ReasonOf(std::string_view message, std::string_view path);

// Calls visit(row, filename) for every row, in order, that names a file of its own (column 1,
// not an archive member), until the report asks to stop.
template <typename Visit>
void ForEachFileRow(std::span<const CatalogRow> rows, ToolReport& report, Visit visit) {
    for (const CatalogRow& row : rows) {
        if (report.StopRequested()) return;
        if (row.cells.size() <= kFilenameColumn || IsArchiveMember(row.cells[kFilenameColumn])) continue;
        visit(row, row.cells[kFilenameColumn]);
    }
}

}  // namespace vorne
