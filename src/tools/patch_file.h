// Applying a patch file (IPS, IPS32, BPS or UPS, told by its header) to a ROM file, in place or to
// a new file. In place, the patched file is finished in a temporary file and renamed over the
// target, from the very bytes of the file being replaced; to a new name, that file appears whole,
// with the target's permission bits, and the target is left as it is. Neither file is ever held
// in memory whole (see patch/apply_patch.h). A name that is the target under another spelling patches in
// place. Any failure or refusal leaves every file as it was.
#pragma once

#include <string>
#include <vector>

#include "patch/patch_format.h"

namespace vorne {

struct PatchFileResult {
    PatchFormat format = PatchFormat::Unknown;
    std::string patchedPath;            // the target, or the new file
    std::size_t headerKept = 0;         // bytes in front the patch did not see
    std::vector<std::string> warnings;  // mismatches let through by `force`
};

// The format of the patch file at `path`, by its first bytes. Throws FileError.
PatchFormat PatchFormatOfFile(const std::string& path);

// Throws PatchError (a damaged or unknown patch), PatchMismatch (a CRC-32 that does not match,
// unless `force`) or FileError.
PatchFileResult PatchRomFile(const std::string& targetPath, const std::string& patchPath, const std::string& saveAs,
                             bool force);

// The line that tells what was done: "BPS patch applied." and, when a header was kept,
// " (the 512-byte header kept)".
std::string AppliedText(const PatchFileResult& result);

}  // namespace vorne
