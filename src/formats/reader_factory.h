// Creating the header reader of a kind.
#pragma once

#include <memory>

#include "base/rom_header.h"
#include "base/rom_type.h"

namespace vorne {

class KnownNames;

// The version of what the readers make of a file: raise it whenever a reader's columns, or where
// it finds a file's hashed data, change. Rows kept by a build with another version are never
// shown (the hash cache files them apart).
inline constexpr int kReaderVersion = 1;

// The reader of `type`, or nullptr for the Zip kind (its rows come from the archives' headers).
// `knownList` names NES images; it may be null.
std::unique_ptr<RomHeader> CreateReader(RomType type, std::shared_ptr<const KnownNames> knownList);

}  // namespace vorne
