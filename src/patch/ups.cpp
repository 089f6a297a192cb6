#include "patch/ups.h"

#include <algorithm>

#include "patch/patch_bytes.h"
#include "patch/patch_error.h"

namespace vorne {

void ApplyUps(const UpsPatch& frame, const ByteInput& patch, SourceReader& source, TargetWriter& target) {
    const std::uint64_t size = frame.targetSize;
    // A hunk may change bytes of the larger of the two files; changes past the target's end are
    // dropped, as the target is that much shorter.
    const std::uint64_t reach = std::max(frame.sourceSize, frame.targetSize);
    // Brings the target up to `end` with the source's bytes, where no hunk changes them.
    auto copyUpTo = [&](std::uint64_t end) {
        const std::uint64_t written = target.Written();
        if (end > written) source.CopyTo(written, end - written, target);
    };
    std::uint64_t offset = 0;
    PatchBytes in(patch, frame.bodyFrom, frame.bodyTo, frame.frameCrc);
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
