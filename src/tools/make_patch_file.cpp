#include "tools/make_patch_file.h"

#include <stdexcept>
#include <vector>

#include "base/text_rules.h"
#include "patch/make_bps.h"
#include "patch/make_ips.h"
#include "patch/patch_error.h"
#include "patch/patch_limits.h"
#include "platform/file.h"
#include "platform/rewrite.h"

namespace vorne {

PatchFormat PatchFormatForName(const std::string& path) {
    const std::string_view name = path;
    auto endsWith = [&](std::string_view ext) {
        return name.size() > ext.size() && EqualsIgnoringCase(name.substr(name.size() - ext.size()), ext);
    };
    if (endsWith(".bps")) return PatchFormat::Bps;
    if (endsWith(".ips")) return PatchFormat::Ips;
    return PatchFormat::Unknown;
}

std::string MadeText(const MadePatch& made) {
    return std::string(PatchFormatName(made.format)) + " patch written: " + std::to_string(made.size) + " bytes.";
}

MadePatch MakePatchFile(const std::string& originalPath, const std::string& modifiedPath, const std::string& patchPath) {
    const PatchFormat format = PatchFormatForName(patchPath);
    if (format == PatchFormat::Unknown) throw std::invalid_argument("the patch's name must end in .bps or .ips: " + patchPath);
    const std::vector<std::uint8_t> original = ReadWholeFile(originalPath);
    const std::vector<std::uint8_t> modified = ReadWholeFile(modifiedPath);
    if (original.size() > kMaxPatchedSize || modified.size() > kMaxPatchedSize) throw PatchError(kPatchTooLarge);
    const std::vector<std::uint8_t> patch =
        format == PatchFormat::Bps ? MakeBpsPatch(original, modified) : MakeIpsPatch(original, modified);
    WriteFileAtomically(patchPath, patch);
    return {format, patch.size()};
}

}  // namespace vorne
