// The UPS reader on any bytes, its patch CRC-32 put right first so that the hunks are reached;
// forced, the target must come out at exactly its declared size, or be refused.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "patch_fuzz.h"
#include "patch/apply_patch.h"
#include "patch/ups.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> patch = vorne::fuzz::WithPatchCrc(data, size);
    try {
        const vorne::UpsPatch ups = vorne::ReadUpsPatch(vorne::MemoryInput(patch));
        if (ups.targetSize > vorne::fuzz::kLargestTarget) return 0;
        const vorne::PatchedFile result = vorne::ApplyPatch(patch, vorne::fuzz::Source(), true);
        if (result.bytes.size() != ups.targetSize) std::abort();
    } catch (const vorne::PatchError&) {
    }
    return 0;
}
