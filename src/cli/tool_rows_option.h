// The rows a batch command of vorne-cli works on. A PATH that is a folder stands for the whole
// list a scan of it gives (with --subdirs and --zip as in scan), in the scan's order; a PATH that
// is a file stands for a selected row of that file. Every row's file is named from the current
// folder (a folder's rows are prefixed with the folder).
#pragma once

#include <vector>

#include "base/rom_type.h"
#include "catalogue/catalog_model.h"
#include "catalogue/catalogue.h"
#include "cli/arguments.h"

namespace vorne::cli {

// Scans `folder` for the kind `type` into `catalogue` (with --subdirs and --zip as in scan), and
// names on stderr the files it could not read. A folder that cannot be opened is a failure.
void ScanForCommand(Catalogue& catalogue, const std::string& folder, RomType type, const Arguments& args,
                    const std::string& knownDumpsPath);

// The rows of `paths` for the kind `type`. Files a scan cannot read are named on stderr; a file
// PATH that cannot be read is a failure (FileError).
std::vector<CatalogRow> RowsOfPaths(const std::vector<std::string>& paths, RomType type, const Arguments& args);

}  // namespace vorne::cli
