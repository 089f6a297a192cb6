#include "patch/ips.h"

#include <vector>

#include "patch/patch_bytes.h"
#include "patch/patch_error.h"
#include "patch/patch_limits.h"

namespace vorne {

void ApplyIps(const ByteInput& patch, const ByteInput& source, PatchOutput& out, IpsVariant variant) {
    const bool wide = variant == IpsVariant::Ips32;
    const std::size_t offsetWidth = wide ? 4 : 3;
    const std::uint32_t endMarker = wide ? 0x45454F46 : kIpsEndMarker;
    CopyInput(source, 0, source.Size(), out, 0);
    std::vector<std::uint8_t> run;
    PatchBytes in(patch, 0, patch.Size());
    in.Skip(5);  // PATCH or IPS32
    for (;;) {
        const std::uint32_t offset = in.BigEndian(offsetWidth);
        if (offset == endMarker) return;
        std::size_t size = in.BigEndian(2);
        const bool isRun = size == 0;
        if (isRun) {
            size = in.BigEndian(2);
            run.assign(size, in.Byte());
        } else if (in.Left() < size) {
            throw PatchError(kPatchCutShort);
        }
        if (size == 0) continue;  // a run of none writes nothing
        if (std::uint64_t{offset} + size > kMaxPatchedSize) throw PatchError(kPatchTooLarge);
        if (isRun) {
            out.WriteAt(offset, run);
            continue;
        }
        std::uint64_t at = offset;
        in.Pass(size, [&](std::span<const std::uint8_t> bytes) {
            out.WriteAt(at, bytes);
            at += bytes.size();
        });
    }
}

}  // namespace vorne
