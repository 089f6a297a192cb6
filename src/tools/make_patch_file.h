// Making a patch file from an original and a modified file: BPS or IPS, by the patch's extension.
// The patch appears whole or not at all.
#pragma once

#include <cstdint>
#include <string>

#include "patch/patch_format.h"

namespace vorne {

// Bps for a name ending in .bps, Ips for .ips (any case), Unknown otherwise.
PatchFormat PatchFormatForName(const std::string& path);

struct MadePatch {
    PatchFormat format = PatchFormat::Unknown;
    std::uint64_t size = 0;  // bytes in the patch
};

// "BPS patch written: 1234 bytes."
std::string MadeText(const MadePatch& made);

// Throws PatchError when the format cannot express the change (see make_ips.h), FileError, or
// std::invalid_argument for a name that is neither .bps nor .ips.
MadePatch MakePatchFile(const std::string& originalPath, const std::string& modifiedPath, const std::string& patchPath);

}  // namespace vorne
