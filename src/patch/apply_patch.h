// Applying a patch of any known format, with the checks the patch carries, a window at a time: a
// patch and a file of any size cost the same few MiB. A BPS or UPS patch names the CRC-32 of the
// ROM it was made for and of the ROM it makes. Its own CRC is checked in one pass over the patch,
// the file's in one pass over the file, and only then is the target written, front to back, its
// CRC taken as it goes; a target whose CRC is wrong is refused, and the caller throws away what
// was written. A file whose CRC matches only without its header (see headerless.h) is patched
// behind that header, which is kept. IPS carries no CRC and is applied to the whole file.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "patch/patch_format.h"
#include "patch/patch_io.h"

namespace vorne {

// The file is not the one the patch was made for, or the patched file not the one it promises.
// Unlike damage (PatchError), this one can be overridden.
class PatchMismatch : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct PatchedFile {
    PatchFormat format = PatchFormat::Unknown;
    std::vector<std::uint8_t> bytes;    // in memory: the whole new file, header included
    std::size_t headerKept = 0;         // bytes in front that the patch did not see
    std::vector<std::string> warnings;  // mismatches let through by `force`
};

// Applies `patch` to `file`, writing the new file into `out` from its start. Throws PatchError
// for an unknown format or a damaged patch, and PatchMismatch for a source or target CRC-32 that
// does not match, unless `force`: then the mismatch becomes a warning and the new file is written
// all the same. After a throw, `out` holds a part of the new file or nothing.
PatchedFile ApplyPatch(const ByteInput& patch, const ByteInput& file, PatchOutput& out, bool force);

// The same in memory: the new file is the result's bytes.
PatchedFile ApplyPatch(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> file, bool force);

}  // namespace vorne
