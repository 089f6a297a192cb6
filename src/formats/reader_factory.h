// Creating the header reader of a kind.
#pragma once

#include <memory>

#include "base/rom_header.h"
#include "base/rom_type.h"

namespace vorne {

class KnownNames;

// The reader of `type`, or nullptr for the Zip kind (its rows come from the archives' headers).
// `knownList` names NES images; it may be null.
std::unique_ptr<RomHeader> CreateReader(RomType type, std::shared_ptr<const KnownNames> knownList);

}  // namespace vorne
