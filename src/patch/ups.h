// UPS patches: "UPS1", the source and target sizes as variable-length numbers, then hunks up to
// three little-endian CRC-32s (source, target, and the patch up to its own CRC). A hunk is a
// number of bytes to step over, then bytes XOR-ed into the file, up to and including a zero
// byte. Bytes past the end of the source read as zero; the file takes the target size.
#pragma once

#include <cstdint>

#include "patch/patch_frame.h"
#include "patch/patch_io.h"
#include "patch/patch_streams.h"

namespace vorne {

using UpsPatch = PatchFrame;

// Reads the frame of a UPS patch and checks the patch's own CRC-32. Throws PatchError.
inline UpsPatch ReadUpsPatch(const ByteInput& patch) { return ReadPatchFrame(patch, false); }

// Writes the target made from `source` (which may differ from the declared source size) into
// `target`, front to back. Throws PatchError when a hunk is cut short, changes a byte past the
// sizes the patch declares, or the patch changed since its CRC was checked.
void ApplyUps(const UpsPatch& frame, const ByteInput& patch, SourceReader& source, TargetWriter& target);

}  // namespace vorne
