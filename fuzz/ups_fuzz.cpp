// The UPS reader on any bytes, its patch CRC-32 put right first so that the hunks are reached.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "patch_fuzz.h"
#include "patch/ups.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> patch = vorne::fuzz::WithPatchCrc(data, size);
    try {
        const vorne::UpsPatch ups = vorne::ReadUpsPatch(patch);
        if (ups.targetSize > vorne::fuzz::kLargestTarget) return 0;
        const std::vector<std::uint8_t> target = vorne::ApplyUps(ups, vorne::fuzz::Source());
        if (target.size() != ups.targetSize) std::abort();
    } catch (const vorne::PatchError&) {
    }
    return 0;
}
