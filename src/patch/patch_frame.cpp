#include "patch/patch_frame.h"

#include "patch/patch_bytes.h"
#include "patch/patch_error.h"
#include "patch/patch_limits.h"

namespace vorne {

namespace {

constexpr std::size_t kMagicSize = 4;  // BPS1 or UPS1

}  // namespace

PatchFrame ReadPatchFrame(const ByteInput& patch, bool withMetadata) {
    const std::uint64_t size = patch.Size();
    // Each number takes a byte at least.
    if (size < kMagicSize + (withMetadata ? 3 : 2) + kPatchFooterSize) throw PatchError(kPatchCutShort);
    const PatchFooter footer = ReadPatchFooter(patch);

    PatchBytes in(patch, 0, size - kPatchFooterSize);
    in.Skip(kMagicSize);
    PatchFrame frame{.bodyCrc = footer.bodyCrc, .sourceCrc = footer.sourceCrc, .targetCrc = footer.targetCrc};
    frame.sourceSize = in.Number();
    frame.targetSize = in.Number();
    if (withMetadata) in.Skip(in.Number());
    frame.bodyFrom = in.Position();
    frame.bodyTo = size - kPatchFooterSize;
    frame.frameCrc = in.Crc();
    if (frame.sourceSize > kMaxPatchedSize || frame.targetSize > kMaxPatchedSize) throw PatchError(kPatchTooLarge);
    return frame;
}

}  // namespace vorne
