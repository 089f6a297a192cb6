// Fixing the checksums of the files of a list's rows: in each, the stored values that differ
// from those its bytes give are written over, in place (see formats/checksums.h). A member of an
// archive is never changed; it is named, as is a file whose checksums cannot be computed or
// written, and the command goes on with the next row.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "base/rom_type.h"
#include "catalogue/catalog_model.h"
#include "formats/checksums.h"
#include "tools/tool_report.h"

namespace vorne {

struct FixedChecksums {
    std::string path;                    // the row's file, as the row names it
    std::vector<ChecksumValue> changed;  // the values that were wrong: stored, and computed (written)
};

// Status part 2 shows each file. Returns the files whose checksums were fixed, in row order.
std::vector<FixedChecksums> FixRowChecksums(const std::string& folder, std::span<const CatalogRow> rows, RomType type,
                                            ToolReport& report);

// What the fixes changed, a line a file: "a.gb: Header checksum 0x3C -> 0x3D, Global checksum
// 0x1234 -> 0x4321"; or, when nothing needed fixing, a line that says so.
std::string FixedChecksumsText(std::span<const FixedChecksums> fixed);

}  // namespace vorne
