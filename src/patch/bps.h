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
#include <span>
#include <vector>

namespace vorne {

enum class BpsAction : std::uint8_t { SourceRead = 0, TargetRead = 1, SourceCopy = 2, TargetCopy = 3 };

struct BpsPatch {
    std::uint64_t sourceSize = 0;
    std::uint64_t targetSize = 0;
    std::span<const std::uint8_t> metadata;  // in the patch, usually XML or empty
    std::span<const std::uint8_t> actions;   // in the patch, from the first action to the CRCs
    std::uint32_t sourceCrc = 0;
    std::uint32_t targetCrc = 0;
};

// Reads the frame of a BPS patch and checks the patch's own CRC-32. The spans point into `bytes`.
// Throws PatchError for a patch that is damaged or cut short.
BpsPatch ReadBpsPatch(std::span<const std::uint8_t> bytes);
BpsPatch ReadBpsPatch(std::vector<std::uint8_t>&& bytes) = delete;  // the spans would point into it

// Runs the actions over `source` and returns the target. `source` may differ from the declared
// source size (a forced application): its bytes past the end read as zero, and no action may
// reach past the declared sizes. Throws PatchError when an action does, an offset falls before
// the start, the actions are cut short, or they make fewer bytes than the target size.
std::vector<std::uint8_t> ApplyBps(const BpsPatch& patch, std::span<const std::uint8_t> source);

}  // namespace vorne
