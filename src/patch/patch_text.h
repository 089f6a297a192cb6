// The messages about CRC-32s that patches carry, in one place so every front end says the same.
#pragma once

#include <cstdint>
#include <string>

namespace vorne {

// The patch's own CRC-32 is not that of its bytes.
std::string DamagedPatchCrcText(std::uint32_t stored, std::uint32_t computed);
// The file to patch is not the one the patch was made for.
std::string SourceCrcText(std::uint32_t expected, std::uint32_t actual);
// The patched bytes are not the ones the patch promises.
std::string TargetCrcText(std::uint32_t expected, std::uint32_t actual);

}  // namespace vorne
