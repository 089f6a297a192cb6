#include "patch/bps.h"

#include "patch/patch_bytes.h"
#include "patch/patch_error.h"

namespace vorne {

namespace {

// Moves a copy offset by the signed number that follows a SourceCopy or TargetCopy, keeping it
// within [0, limit].
std::uint64_t MoveOffset(std::uint64_t offset, std::uint64_t moveNumber, std::uint64_t limit) {
    const std::uint64_t magnitude = moveNumber >> 1;
    if (moveNumber & 1) {
        if (magnitude > offset) throw PatchError("The patch is damaged: a copy starts before the beginning of the file.");
        return offset - magnitude;
    }
    if (magnitude > limit - offset) throw PatchError(kPatchPastSizes);
    return offset + magnitude;
}

}  // namespace

void ApplyBps(const BpsPatch& frame, const ByteInput& patch, SourceReader& source, TargetWriter& target) {
    std::uint64_t sourceOffset = 0;  // where the next SourceCopy reads
    std::uint64_t targetOffset = 0;  // where the next TargetCopy reads
    PatchBytes in(patch, frame.bodyFrom, frame.bodyTo, frame.frameCrc);
    while (in.Left() > 0) {
        const std::uint64_t action = in.Number();
        const std::uint64_t length = (action >> 2) + 1;
        const std::uint64_t written = target.Written();
        if (length > frame.targetSize - written) throw PatchError(kPatchPastSizes);
        switch (static_cast<BpsAction>(action & 3)) {
            case BpsAction::SourceRead:
                if (written + length > frame.sourceSize) throw PatchError(kPatchPastSizes);
                source.CopyTo(written, length, target);
                break;
            case BpsAction::TargetRead:
                in.Pass(length, [&target](std::span<const std::uint8_t> bytes) { target.Append(bytes); });
                break;
            case BpsAction::SourceCopy:
                sourceOffset = MoveOffset(sourceOffset, in.Number(), frame.sourceSize);
                if (length > frame.sourceSize - sourceOffset) throw PatchError(kPatchPastSizes);
                source.CopyTo(sourceOffset, length, target);
                sourceOffset += length;
                break;
            case BpsAction::TargetCopy:
                targetOffset = MoveOffset(targetOffset, in.Number(), frame.targetSize);
                // Only bytes already written can be read, though the copy may catch up with itself.
                if (targetOffset >= written) throw PatchError(kPatchPastSizes);
                target.CopyWithin(targetOffset, length);
                targetOffset += length;
                break;
        }
    }
    if (target.Written() != frame.targetSize) throw PatchError("The patch is damaged: it makes fewer bytes than it declares.");
    if (in.Crc() != frame.bodyCrc) throw PatchError(kPatchChanged);
}

}  // namespace vorne
