// The checksums a kind's header stores, beside the values its bytes give, and fixing them: only
// the checksum bytes are written, in place, with the reader's checked writes (the file must still
// have the length it was loaded with, and the bytes must lie inside it).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/rom_header.h"
#include "base/rom_type.h"

namespace vorne {

struct ChecksumValue {
    std::string_view name;  // "Header checksum", "CRC1", ...
    std::uint32_t stored = 0;
    std::uint32_t computed = 0;
    int digits = 4;         // hexadecimal digits the value has

    bool Right() const { return stored == computed; }
};

// Game Boy, SNES, N64, Genesis and 32X have checksums; NES, MP3 and Zip none.
bool HasChecksums(RomType type);

// The checksums of the file `reader` holds (loaded from disk). Throws FileError, or
// OperationRefused when they cannot be computed (an N64 boot code of no known CIC chip, an image
// too short); empty for a kind without checksums.
std::vector<ChecksumValue> ComputeChecksums(RomHeader& reader);

// Writes the computed values over the stored ones that differ and reloads the reader. Returns the
// values as they were found. Throws as ComputeChecksums does, or FileError; a refusal writes nothing.
std::vector<ChecksumValue> FixChecksums(RomHeader& reader);

// "0x1A2B"
std::string ChecksumText(std::uint32_t value, int digits);

}  // namespace vorne
