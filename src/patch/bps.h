// BPS patches: "BPS1", the source size, the target size and the metadata size as variable-length
// numbers, the metadata, the actions, then three little-endian CRC-32s: of the source, of the
// target, and of the patch up to its own CRC.
//
// An action is a number: its length less one shifted left twice, and its kind in the low two
// bits. SourceRead copies the source bytes at the output position; TargetRead copies bytes that
// follow in the patch; SourceCopy and TargetCopy copy from the source or from what was already
// written, at an offset each keeps for itself and moves by a signed number that follows (its
// magnitude shifted left once, the low bit set for a negative one), and each moves that offset
// on by the length copied. A TargetCopy may overlap what it writes: a run repeats its start.
#pragma once

#include <cstdint>

#include "patch/patch_frame.h"
#include "patch/patch_io.h"
#include "patch/patch_streams.h"

namespace vorne {

enum class BpsAction : std::uint8_t { SourceRead = 0, TargetRead = 1, SourceCopy = 2, TargetCopy = 3 };

using BpsPatch = PatchFrame;

// Reads the frame of a BPS patch and checks the patch's own CRC-32, in one pass over the patch.
// Throws PatchError for a patch that is damaged or cut short.
inline BpsPatch ReadBpsPatch(const ByteInput& patch) { return ReadPatchFrame(patch, true); }

// Runs the actions of `patch` (read again, a window at a time) over `source` into `target`.
// The source may differ from the declared source size (a forced application): its bytes past
// the end read as zero, and no action may reach past the declared sizes. Throws PatchError when
// an action does, an offset falls before the start, the actions are cut short, they make fewer
// bytes than the target size, or the patch changed since its CRC was checked.
void ApplyBps(const BpsPatch& frame, const ByteInput& patch, SourceReader& source, TargetWriter& target);

}  // namespace vorne
