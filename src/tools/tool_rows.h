// What every batch tool reads from a row: the file it lists.
#pragma once

#include <algorithm>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/rom_header.h"
#include "base/rom_type.h"
#include "catalogue/catalog_model.h"
#include "platform/file_error.h"
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
// archive member: the tools never change a member), until the report asks to stop; the report
// hears how many of those files are done before each and at the end. `filename` is the row's
// path, as reports name it. With `nameMembers`, each member passed over is reported as skipped.
template <typename Visit>
void ForEachRowFile(std::span<const CatalogRow> rows, ToolReport& report, bool nameMembers, Visit visit);

template <typename Visit>
void ForEachFileRow(std::span<const CatalogRow> rows, ToolReport& report, Visit visit) {
    ForEachRowFile(rows, report, false, visit);
}

// Runs `work` on the file of a row (`path`, which the row names `filename`): a refusal names the
// row as left alone, a file error as not done, each with its reason, and the tool goes on.
// Whether the work went through.
template <typename Work>
bool DoRow(ToolReport& report, const std::string& filename, const std::string& path, Work work) {
    try {
        work();
        return true;
    } catch (const OperationRefused& e) {
        report.Skipped(filename, ReasonOf(e.what(), path));
    } catch (const FileError& e) {
        report.Failed(filename, ReasonOf(e.what(), path));
    }
    return false;
}

// Why a tool that changes files leaves a member of an archive alone.
inline constexpr const char* kInsideArchive = "it is inside a zip file; unzip it first";

// ForEachFileRow for the commands that name every row they leave alone: each archive member
// passed over is reported as skipped, by the text column 1 shows for it.
template <typename Visit>
void ForEachFileRowNamingMembers(std::span<const CatalogRow> rows, ToolReport& report, Visit visit) {
    ForEachRowFile(rows, report, true, visit);
}

template <typename Visit>
void ForEachRowFile(std::span<const CatalogRow> rows, ToolReport& report, bool nameMembers, Visit visit) {
    const auto total = static_cast<int>(
        std::count_if(rows.begin(), rows.end(), [](const CatalogRow& row) { return !row.file.IsMember(); }));
    int done = 0;
    for (const CatalogRow& row : rows) {
        if (row.file.IsMember()) {
            if (nameMembers) report.Skipped(FilenameText(row.file), kInsideArchive);
            continue;
        }
        report.Progress(done, total);
        if (report.StopRequested()) return;
        visit(row, row.file.path);
        ++done;
    }
    report.Progress(done, total);
}

}  // namespace vorne
