// The hashes of one file of a kind as a DAT describes it: its data as the kind's reader finds it
// (headers left out, in the byte order DATs use), and the whole file.
#pragma once

#include <string>

#include "base/rom_type.h"
#include "dat/data_hasher.h"

namespace vorne {

// Reads the file at `path` with the kind's reader (none for Zip: the whole file) and hashes it.
// Throws FileError.
FileHashes HashRomFile(RomType type, const std::string& path, HashChoice choice);

}  // namespace vorne
