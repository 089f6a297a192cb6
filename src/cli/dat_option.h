// The options that bring a DAT into a scan: --dat FILE and --duplicates data.
#pragma once

#include <memory>

#include "catalogue/catalogue.h"
#include "cli/arguments.h"

namespace vorne::cli {

// The DAT --dat names, loaded (its ROMs left out named on stderr), or null without --dat.
// Throws DatError for a DAT that cannot be read.
std::shared_ptr<const DatSet> DatOption(const Arguments& args);

// --duplicates data or columns (the default). Throws UsageError for another value.
DuplicateRule DuplicatesOption(const Arguments& args);

// Scans as `vorne-cli scan` does, with the DAT and the duplicate rule; the problems go to stderr.
void ScanWithOptions(Catalogue& catalogue, const Arguments& args, const std::string& folder, RomType type,
                     std::shared_ptr<const DatSet> dat, DuplicateRule rule);

}  // namespace vorne::cli
