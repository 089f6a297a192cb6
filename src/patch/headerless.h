// The bytes a ROM's own CRC-32 leaves out, as DATs count it and the readers find them: an iNES
// header (16 bytes behind "NES" and 0x1A) and a SNES copier header (the 512 bytes by which a
// file's size exceeds whole 8 KiB units, the SNES reader's rule).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "patch/patch_io.h"

namespace vorne {

inline constexpr std::size_t kInesHeaderSize = 16;
inline constexpr std::size_t kCopierHeaderSize = 512;
inline constexpr std::uint64_t kCopierUnit = 8192;

// The header sizes `file` may carry by that rule, 0 (none) first.
std::vector<std::size_t> HeaderCandidates(const ByteInput& file);

// The CRC-32 of `file` behind each of `headers`, taken in one pass over the file.
std::vector<std::uint32_t> CrcsBehind(const ByteInput& file, std::span<const std::size_t> headers);

}  // namespace vorne
