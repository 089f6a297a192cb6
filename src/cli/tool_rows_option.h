// The rows a batch command of vorne-cli works on. A PATH that is a folder stands for the whole
// list a scan of it gives (with --subdirs and --zip as in scan), in the scan's order; a PATH that
// is a file stands for a selected row of that file, when its extension is one of the kind's (as a
// scan of a folder would take it). Every row's file is named from the current folder (a folder's
// rows are prefixed with the folder).
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "base/rom_type.h"
#include "catalogue/catalog_model.h"
#include "catalogue/catalogue.h"
#include "cli/arguments.h"
#include "tools/tool_report.h"

namespace vorne::cli {

// Scans `folder` for the kind `type` into `catalogue` (with --subdirs and --zip as in scan). The
// files and subfolders it could not read are told to `report` as failed: the command has not done
// them. A folder that cannot be opened is a failure of the command (FileError).
void ScanForCommand(Catalogue& catalogue, const std::string& folder, RomType type, const Arguments& args,
                    const std::string& knownDumpsPath, ToolReport& report);

// The rows of `paths` for the kind `type`. Files a scan cannot read are told to `report` as
// failed, file PATHs of another kind as left alone (Skipped); a file PATH that cannot be read is
// a failure of the command (FileError).
// A command that takes fewer extensions than the kind's (convert) names them in `extensions`.
std::vector<CatalogRow> RowsOfPaths(const std::vector<std::string>& paths, RomType type, const Arguments& args,
                                    ToolReport& report, std::span<const std::string_view> extensions = {});

}  // namespace vorne::cli
