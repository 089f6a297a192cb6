#include "patch/apply_patch.h"

#include <array>

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
std::size_t SourceStart(const ByteInput& file, std::uint64_t sourceSize, std::uint32_t sourceCrc, PatchedFile& result,
                        bool force) {
    const std::vector<std::size_t> candidates = HeaderCandidates(file);
    const std::vector<std::uint32_t> crcs = CrcsBehind(file, candidates);
    for (std::size_t c = 0; c < candidates.size(); ++c) {
        if (crcs[c] == sourceCrc) return candidates[c];
    }
    const std::string text = SourceCrcText(sourceCrc, crcs[0]);
    if (!force) throw PatchMismatch(text);
    result.warnings.push_back(text);
    for (std::size_t header : candidates) {
        if (file.Size() - header == sourceSize) return header;
    }
    return 0;
}

// Checks the source, keeps its header, writes the target with `apply` and checks it.
template <typename Apply>
void ApplyChecked(const PatchFrame& frame, const ByteInput& file, PatchOutput& out, bool force, PatchedFile& result,
                  Apply apply) {
    result.headerKept = SourceStart(file, frame.sourceSize, frame.sourceCrc, result, force);
    CopyInput(file, 0, result.headerKept, out, 0);
    SourceReader source(file, result.headerKept);
    TargetWriter target(out, result.headerKept);
    apply(source, target);
    if (const std::uint32_t crc = target.Finish(); crc != frame.targetCrc) {
        const std::string text = TargetCrcText(frame.targetCrc, crc);
        if (!force) throw PatchMismatch(text + " Nothing was written.");
        result.warnings.push_back(text);
    }
}

}  // namespace

PatchedFile ApplyPatch(const ByteInput& patch, const ByteInput& file, PatchOutput& out, bool force) {
    std::array<std::uint8_t, 5> magic{};
    const std::size_t got = patch.ReadAt(0, magic);
    PatchedFile result{.format = DetectPatchFormat(std::span(magic).first(got))};
    switch (result.format) {
        case PatchFormat::Bps: {
            const BpsPatch frame = ReadBpsPatch(patch);
            ApplyChecked(frame, file, out, force, result,
                         [&](SourceReader& source, TargetWriter& target) { ApplyBps(frame, patch, source, target); });
            break;
        }
        case PatchFormat::Ups: {
            const UpsPatch frame = ReadUpsPatch(patch);
            ApplyChecked(frame, file, out, force, result,
                         [&](SourceReader& source, TargetWriter& target) { ApplyUps(frame, patch, source, target); });
            break;
        }
        case PatchFormat::Ips:
        case PatchFormat::Ips32:
            ApplyIps(patch, file, out, result.format == PatchFormat::Ips32 ? IpsVariant::Ips32 : IpsVariant::Ips);
            break;
        case PatchFormat::Unknown: throw PatchError(kNotAPatch);
    }
    return result;
}

PatchedFile ApplyPatch(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> file, bool force) {
    std::vector<std::uint8_t> bytes;
    MemoryOutput out(bytes);
    PatchedFile result = ApplyPatch(MemoryInput(patch), MemoryInput(file), out, force);
    result.bytes = std::move(bytes);
    return result;
}

}  // namespace vorne
