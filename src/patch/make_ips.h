// Making IPS patches. Each stretch of changed bytes becomes records of at most 65,535 bytes;
// stretches a few unchanged bytes apart share a record (a record costs five bytes of its own),
// and a run of one byte long enough to pay for it becomes a run record. No record starts at
// 0x454F46, whose offset would read as the end marker: such a record starts one byte earlier.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vorne {

// Throws PatchError when IPS cannot say it: a modified file shorter than the original (IPS can
// only write bytes) or larger than 16 MiB (its offsets have three bytes).
std::vector<std::uint8_t> MakeIpsPatch(std::span<const std::uint8_t> original, std::span<const std::uint8_t> modified);

inline constexpr const char* kIpsCannotShrink = "IPS cannot make a file shorter; make a BPS patch instead.";
inline constexpr const char* kIpsTooLarge = "IPS cannot reach past 16 MiB; make a BPS patch instead.";

}  // namespace vorne
