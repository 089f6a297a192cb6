// The BPS reader on any bytes. The patch's own CRC-32 is put right first, so that the actions
// are reached; forced, the target must then come out at exactly its declared size, or be refused.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "patch_fuzz.h"
#include "patch/apply_patch.h"
#include "patch/bps.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> patch = vorne::fuzz::WithPatchCrc(data, size);
    try {
        const vorne::BpsPatch bps = vorne::ReadBpsPatch(vorne::MemoryInput(patch));
        if (bps.targetSize > vorne::fuzz::kLargestTarget) return 0;
        const vorne::PatchedFile result = vorne::ApplyPatch(patch, vorne::fuzz::Source(), true);
        if (result.bytes.size() != bps.targetSize) std::abort();
    } catch (const vorne::PatchError&) {
    }
    return 0;
}
