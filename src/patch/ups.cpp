#include "patch/ups.h"

#include <algorithm>

#include "base/crc32.h"
#include "patch/patch_bytes.h"
#include "patch/patch_error.h"
#include "patch/patch_limits.h"
#include "patch/patch_text.h"

namespace vorne {

namespace {

constexpr std::size_t kFooterSize = 12;
constexpr std::size_t kMagicSize = 4;  // UPS1

}  // namespace

UpsPatch ReadUpsPatch(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kMagicSize + 2 + kFooterSize) throw PatchError(kPatchCutShort);
    const auto footer = bytes.last(kFooterSize);
    const std::uint32_t stored = LittleEndian32(footer.subspan(8));
    const std::uint32_t computed = Crc32(bytes.first(bytes.size() - 4));
    if (stored != computed) throw PatchError(DamagedPatchCrcText(stored, computed));

    PatchBytes in(bytes.first(bytes.size() - kFooterSize));
    in.Take(kMagicSize);
    UpsPatch patch;
    patch.sourceSize = in.Number();
    patch.targetSize = in.Number();
    patch.hunks = bytes.subspan(in.Position(), in.Left());
    patch.sourceCrc = LittleEndian32(footer);
    patch.targetCrc = LittleEndian32(footer.subspan(4));
    if (patch.sourceSize > kMaxPatchedSize || patch.targetSize > kMaxPatchedSize) throw PatchError(kPatchTooLarge);
    return patch;
}

std::vector<std::uint8_t> ApplyUps(const UpsPatch& patch, std::span<const std::uint8_t> source) {
    const auto size = static_cast<std::size_t>(patch.targetSize);
    std::vector<std::uint8_t> target(size, 0);
    std::copy_n(source.begin(), std::min(source.size(), size), target.begin());
    // A hunk may change bytes of the larger of the two files; changes past the target's end are
    // dropped, as the target is that much shorter.
    const std::uint64_t reach = std::max(patch.sourceSize, patch.targetSize);
    std::uint64_t offset = 0;
    PatchBytes in(patch.hunks);
    while (in.Left() > 0) {
        const std::uint64_t skip = in.Number();
        if (skip > reach - offset) throw PatchError(kPatchPastSizes);
        offset += skip;
        for (;;) {
            const std::uint8_t change = in.Byte();
            if (change == 0) {
                ++offset;  // the closing zero byte stands on a byte too, and leaves it as it is
                break;
            }
            if (offset >= reach) throw PatchError(kPatchPastSizes);
            if (offset < size) target[static_cast<std::size_t>(offset)] ^= change;
            ++offset;
        }
    }
    return target;
}

}  // namespace vorne
