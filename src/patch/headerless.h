// The bytes a ROM's own CRC-32 leaves out, as DATs count it: an iNES header (16 bytes behind
// "NES" and 0x1A) and a SNES copier header (the 512 bytes by which a file's size exceeds whole KiB).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vorne {

inline constexpr std::size_t kInesHeaderSize = 16;
inline constexpr std::size_t kCopierHeaderSize = 512;

// The header sizes `file` may carry by that rule, 0 (none) first.
std::vector<std::size_t> HeaderCandidates(std::span<const std::uint8_t> file);

}  // namespace vorne
