// UPS patches: "UPS1", the source and target sizes as variable-length numbers, then hunks up to
// three little-endian CRC-32s (source, target, and the patch up to its own CRC). A hunk is a
// number of bytes to step over, then bytes XOR-ed into the file, up to and including a zero
// byte. Bytes past the end of the source read as zero; the file takes the target size.
#pragma once

#include <cstdint>

#include "patch/patch_io.h"
#include "patch/patch_streams.h"

namespace vorne {

struct UpsPatch {
    std::uint64_t sourceSize = 0;
    std::uint64_t targetSize = 0;
    std::uint64_t hunksFrom = 0;  // where the first hunk starts in the patch
    std::uint64_t hunksTo = 0;    // where the CRCs start
    std::uint32_t frameCrc = 0;   // CRC-32 of the patch up to its first hunk
    std::uint32_t bodyCrc = 0;    // and up to its CRCs
    std::uint32_t sourceCrc = 0;
    std::uint32_t targetCrc = 0;
};

// Reads the frame of a UPS patch and checks the patch's own CRC-32. Throws PatchError.
UpsPatch ReadUpsPatch(const ByteInput& patch);

// Writes the target made from `source` (which may differ from the declared source size) into
// `target`, front to back. Throws PatchError when a hunk is cut short, changes a byte past the
// sizes the patch declares, or the patch changed since its CRC was checked.
void ApplyUps(const UpsPatch& frame, const ByteInput& patch, SourceReader& source, TargetWriter& target);

}  // namespace vorne
