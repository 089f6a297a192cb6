#include "patch/ups.h"

#include <algorithm>

#include "patch/patch_bytes.h"
#include "patch/patch_error.h"
#include "patch/patch_limits.h"

namespace vorne {

namespace {

constexpr std::size_t kMagicSize = 4;  // UPS1

}  // namespace

UpsPatch ReadUpsPatch(const ByteInput& patch) {
    const std::uint64_t size = patch.Size();
    if (size < kMagicSize + 2 + kPatchFooterSize) throw PatchError(kPatchCutShort);
    const PatchFooter footer = ReadPatchFooter(patch);

    PatchBytes in(patch, 0, size - kPatchFooterSize);
    in.Skip(kMagicSize);
    UpsPatch frame{.bodyCrc = footer.bodyCrc, .sourceCrc = footer.sourceCrc, .targetCrc = footer.targetCrc};
    frame.sourceSize = in.Number();
    frame.targetSize = in.Number();
    frame.hunksFrom = in.Position();
    frame.hunksTo = size - kPatchFooterSize;
    frame.frameCrc = in.Crc();
    if (frame.sourceSize > kMaxPatchedSize || frame.targetSize > kMaxPatchedSize) throw PatchError(kPatchTooLarge);
    return frame;
}

void ApplyUps(const UpsPatch& frame, const ByteInput& patch, SourceReader& source, TargetWriter& target) {
    const std::uint64_t size = frame.targetSize;
    // A hunk may change bytes of the larger of the two files; changes past the target's end are
    // dropped, as the target is that much shorter.
    const std::uint64_t reach = std::max(frame.sourceSize, frame.targetSize);
    // The target is written up to `offset`: the source's bytes where no hunk changes them.
    auto copyUpTo = [&](std::uint64_t end) {
        const std::uint64_t written = target.Written();
        if (end > written) source.CopyTo(written, end - written, target);
    };
    std::uint64_t offset = 0;
    PatchBytes in(patch, frame.hunksFrom, frame.hunksTo, frame.frameCrc);
    while (in.Left() > 0) {
        const std::uint64_t skip = in.Number();
        if (skip > reach - offset) throw PatchError(kPatchPastSizes);
        offset += skip;
        copyUpTo(std::min(offset, size));
        for (;;) {
            const std::uint8_t change = in.Byte();
            if (change == 0) {
                ++offset;  // the closing zero byte stands on a byte too, and leaves it as it is
                copyUpTo(std::min(offset, size));
                break;
            }
            if (offset >= reach) throw PatchError(kPatchPastSizes);
            if (offset < size) target.Append(source.At(offset) ^ change);
            ++offset;
        }
    }
    copyUpTo(size);
    if (in.Crc() != frame.bodyCrc) throw PatchError(kPatchChanged);
}

}  // namespace vorne
