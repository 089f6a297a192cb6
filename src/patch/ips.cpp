#include "patch/ips.h"

#include <algorithm>

#include "patch/patch_bytes.h"
#include "patch/patch_error.h"
#include "patch/patch_limits.h"

namespace vorne {

std::vector<std::uint8_t> ApplyIps(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> source,
                                   IpsVariant variant) {
    const bool wide = variant == IpsVariant::Ips32;
    const std::size_t offsetWidth = wide ? 4 : 3;
    const std::uint32_t endMarker = wide ? 0x45454F46 : kIpsEndMarker;
    std::vector<std::uint8_t> image(source.begin(), source.end());
    PatchBytes in(patch);
    in.Take(5);  // PATCH or IPS32
    for (;;) {
        const std::uint32_t offset = in.BigEndian(offsetWidth);
        if (offset == endMarker) return image;
        std::size_t size = in.BigEndian(2);
        std::span<const std::uint8_t> bytes;
        std::uint8_t runValue = 0;
        if (size > 0) {
            bytes = in.Take(size);
        } else {
            size = in.BigEndian(2);
            runValue = in.Byte();
        }
        if (size == 0) continue;  // a run of none writes nothing
        const std::uint64_t end = std::uint64_t{offset} + size;
        if (end > kMaxPatchedSize) throw PatchError(kPatchTooLarge);
        if (image.size() < end) image.resize(static_cast<std::size_t>(end));
        auto at = image.begin() + static_cast<std::ptrdiff_t>(offset);
        if (bytes.empty()) {
            std::fill_n(at, size, runValue);
        } else {
            std::copy(bytes.begin(), bytes.end(), at);
        }
    }
}

}  // namespace vorne
