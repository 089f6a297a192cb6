// What every batch tool reads from a row: the file it lists.
#pragma once

#include <algorithm>
#include <span>
#include <string>
#include <string_view>

#include "base/rom_type.h"
#include "catalogue/catalog_model.h"
#include "tools/tool_report.h"

namespace vorne {

// A refusal's message names its file first ("path: reason"); a report names the row itself and
// takes the reason alone.
std::string_view ReasonOf(std::string_view message, std::string_view path);

// Calls visit(row, filename) for every row, in order, that lists a file of its own (not an
// archive member: the tools never change a member), until the report asks to stop; the report
// hears how many of those files are done before each and at the end. `filename` is the row's
// path, as reports name it.
template <typename Visit>
void ForEachFileRow(std::span<const CatalogRow> rows, ToolReport& report, Visit visit) {
    const auto total = static_cast<int>(
        std::count_if(rows.begin(), rows.end(), [](const CatalogRow& row) { return !row.file.IsMember(); }));
    int done = 0;
    for (const CatalogRow& row : rows) {
        if (row.file.IsMember()) continue;
        report.Progress(done, total);
        if (report.StopRequested()) return;
        visit(row, row.file.path);
        ++done;
    }
    report.Progress(done, total);
}

}  // namespace vorne
