// Applying a patch of any known format to a file held in memory, with the checks the patch
// carries. A BPS or UPS patch names the CRC-32 of the ROM it was made for: a file whose CRC
// matches only without its header (see headerless.h) is patched behind that header, which is
// kept. IPS carries no CRC and is applied to the whole file.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "patch/patch_format.h"

namespace vorne {

// The file is not the one the patch was made for, or the patched file not the one it promises.
// Unlike damage (PatchError), this one can be overridden.
class PatchMismatch : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct PatchedFile {
    PatchFormat format = PatchFormat::Unknown;
    std::vector<std::uint8_t> bytes;    // the whole new file, header included
    std::size_t headerKept = 0;         // bytes in front that the patch did not see
    std::vector<std::string> warnings;  // mismatches let through by `force`
};

// Applies `patch` to `file`. Throws PatchError for an unknown format or a damaged patch, and
// PatchMismatch for a source or target CRC-32 that does not match, unless `force`: then the
// mismatch becomes a warning and the result is returned all the same.
PatchedFile ApplyPatch(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> file, bool force);

}  // namespace vorne
