#include "patch/apply_patch.h"

#include "base/crc32.h"
#include "patch/bps.h"
#include "patch/headerless.h"
#include "patch/ips.h"
#include "patch/patch_error.h"
#include "patch/patch_text.h"
#include "patch/ups.h"

namespace vorne {

namespace {

// Where the patch's source begins in `file`: behind the header whose removal gives the source
// CRC-32, or, failing that (a mismatch), behind the header that leaves the declared source size.
std::size_t SourceStart(std::span<const std::uint8_t> file, std::uint64_t sourceSize, std::uint32_t sourceCrc,
                        PatchedFile& result, bool force) {
    const std::vector<std::size_t> candidates = HeaderCandidates(file);
    for (std::size_t header : candidates) {
        if (Crc32(file.subspan(header)) == sourceCrc) return header;
    }
    const std::string text = SourceCrcText(sourceCrc, Crc32(file));
    if (!force) throw PatchMismatch(text);
    result.warnings.push_back(text);
    for (std::size_t header : candidates) {
        if (file.size() - header == sourceSize) return header;
    }
    return 0;
}

template <typename Patch, typename Apply>
void ApplyChecked(const Patch& patch, std::span<const std::uint8_t> file, bool force, PatchedFile& result, Apply apply) {
    result.headerKept = SourceStart(file, patch.sourceSize, patch.sourceCrc, result, force);
    std::vector<std::uint8_t> target = apply(patch, file.subspan(result.headerKept));
    if (const std::uint32_t crc = Crc32(target); crc != patch.targetCrc) {
        const std::string text = TargetCrcText(patch.targetCrc, crc);
        if (!force) throw PatchMismatch(text + " Nothing was written.");
        result.warnings.push_back(text);
    }
    result.bytes.assign(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(result.headerKept));
    result.bytes.insert(result.bytes.end(), target.begin(), target.end());
}

}  // namespace

PatchedFile ApplyPatch(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> file, bool force) {
    PatchedFile result{.format = DetectPatchFormat(patch)};
    switch (result.format) {
        case PatchFormat::Bps:
            ApplyChecked(ReadBpsPatch(patch), file, force, result, ApplyBps);
            break;
        case PatchFormat::Ups:
            ApplyChecked(ReadUpsPatch(patch), file, force, result, ApplyUps);
            break;
        case PatchFormat::Ips:
        case PatchFormat::Ips32:
            result.bytes = ApplyIps(patch, file, result.format == PatchFormat::Ips32 ? IpsVariant::Ips32 : IpsVariant::Ips);
            break;
        case PatchFormat::Unknown: throw PatchError(kNotAPatch);
    }
    return result;
}

}  // namespace vorne
