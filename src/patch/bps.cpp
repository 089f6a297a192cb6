#include "patch/bps.h"

#include <cstdio>

#include "base/crc32.h"
#include "patch/patch_bytes.h"
#include "patch/patch_error.h"
#include "patch/patch_limits.h"
#include "patch/patch_text.h"

namespace vorne {

namespace {

constexpr std::size_t kFooterSize = 12;
constexpr std::uint8_t kMagic[] = {'B', 'P', 'S', '1'};

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

BpsPatch ReadBpsPatch(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < sizeof kMagic + 3 + kFooterSize) throw PatchError(kPatchCutShort);
    const auto footer = bytes.last(kFooterSize);
    const std::uint32_t stored = LittleEndian32(footer.subspan(8));
    const std::uint32_t computed = Crc32(bytes.first(bytes.size() - 4));
    if (stored != computed) throw PatchError(DamagedPatchCrcText(stored, computed));

    PatchBytes in(bytes.first(bytes.size() - kFooterSize));
    in.Take(sizeof kMagic);
    BpsPatch patch;
    patch.sourceSize = in.Number();
    patch.targetSize = in.Number();
    const std::uint64_t metadataSize = in.Number();
    if (metadataSize > in.Left()) throw PatchError(kPatchCutShort);
    patch.metadata = in.Take(static_cast<std::size_t>(metadataSize));
    patch.actions = bytes.subspan(in.Position(), in.Left());
    patch.sourceCrc = LittleEndian32(footer);
    patch.targetCrc = LittleEndian32(footer.subspan(4));
    if (patch.sourceSize > kMaxPatchedSize || patch.targetSize > kMaxPatchedSize) throw PatchError(kPatchTooLarge);
    return patch;
}

std::vector<std::uint8_t> ApplyBps(const BpsPatch& patch, std::span<const std::uint8_t> source) {
    std::vector<std::uint8_t> target;
    target.reserve(static_cast<std::size_t>(patch.targetSize));
    auto sourceByte = [&](std::uint64_t at) { return at < source.size() ? source[static_cast<std::size_t>(at)] : std::uint8_t{0}; };
    std::uint64_t sourceOffset = 0;  // where the next SourceCopy reads
    std::uint64_t targetOffset = 0;  // where the next TargetCopy reads
    PatchBytes in(patch.actions);
    while (in.Left() > 0) {
        const std::uint64_t action = in.Number();
        const std::uint64_t length = (action >> 2) + 1;
        const std::uint64_t written = target.size();
        if (length > patch.targetSize - written) throw PatchError(kPatchPastSizes);
        switch (static_cast<BpsAction>(action & 3)) {
            case BpsAction::SourceRead:
                if (written + length > patch.sourceSize) throw PatchError(kPatchPastSizes);
                for (std::uint64_t i = 0; i < length; ++i) target.push_back(sourceByte(written + i));
                break;
            case BpsAction::TargetRead: {
                const auto bytes = in.Take(static_cast<std::size_t>(length));
                target.insert(target.end(), bytes.begin(), bytes.end());
                break;
            }
            case BpsAction::SourceCopy:
                sourceOffset = MoveOffset(sourceOffset, in.Number(), patch.sourceSize);
                if (length > patch.sourceSize - sourceOffset) throw PatchError(kPatchPastSizes);
                for (std::uint64_t i = 0; i < length; ++i) target.push_back(sourceByte(sourceOffset + i));
                sourceOffset += length;
                break;
            case BpsAction::TargetCopy:
                targetOffset = MoveOffset(targetOffset, in.Number(), patch.targetSize);
                // Only bytes already written can be read, though the copy may catch up with itself.
                if (targetOffset >= written) throw PatchError(kPatchPastSizes);
                for (std::uint64_t i = 0; i < length; ++i) target.push_back(target[static_cast<std::size_t>(targetOffset + i)]);
                targetOffset += length;
                break;
        }
    }
    if (target.size() != patch.targetSize) throw PatchError("The patch is damaged: it makes fewer bytes than it declares.");
    return target;
}

}  // namespace vorne
