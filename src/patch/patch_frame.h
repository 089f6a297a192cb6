// What surrounds the actions of a BPS patch and the hunks of a UPS one: a four-byte magic, the
// source and target sizes as variable-length numbers (for BPS, then a metadata size and the
// metadata), the body, and three little-endian CRC-32s: the source's, the target's and the
// patch's own, of every byte before it.
#pragma once

#include <cstdint>

#include "patch/patch_io.h"

namespace vorne {

struct PatchFrame {
    std::uint64_t sourceSize = 0;
    std::uint64_t targetSize = 0;
    std::uint64_t bodyFrom = 0;  // where the first action or hunk starts in the patch
    std::uint64_t bodyTo = 0;    // where the CRCs start
    std::uint32_t frameCrc = 0;  // CRC-32 of the patch up to its body
    std::uint32_t bodyCrc = 0;   // and up to its CRCs
    std::uint32_t sourceCrc = 0;
    std::uint32_t targetCrc = 0;
};

// Reads the frame of `patch`, with a metadata block after the sizes (BPS) or without (UPS), and
// checks the patch's own CRC-32 in one pass over the patch. Throws PatchError for a patch that is
// damaged or cut short, or that declares a size past the patch limit.
PatchFrame ReadPatchFrame(const ByteInput& patch, bool withMetadata);

}  // namespace vorne
