// The checksum lines show adds for the kinds that have checksums.
#pragma once

#include <string>

#include "base/rom_header.h"
#include "formats/checksums.h"

namespace vorne::cli {

// "Header checksum: 0x3C (computed 0x3C)" lines, or (json) the members of a JSON object; empty
// for a kind without checksums or a file whose checksums cannot be computed.
std::string ShownChecksums(RomHeader& reader, RomType type, bool json);

}  // namespace vorne::cli
