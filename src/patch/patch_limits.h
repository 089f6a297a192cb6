// What a patch may ask for before it is read at all.
#pragma once

#include <cstdint>

namespace vorne {

// The largest file a patch may make; a larger declared size is refused before any memory is taken.
inline constexpr std::uint64_t kMaxPatchedSize = std::uint64_t{1} << 30;
inline constexpr const char* kPatchTooLarge = "The patch would make a file larger than 1 GiB.";

}  // namespace vorne
