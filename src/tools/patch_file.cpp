#include "tools/patch_file.h"

#include "patch/apply_patch.h"
#include "patch/patch_io.h"
#include "platform/file.h"
#include "platform/rewrite.h"

namespace vorne {

PatchFormat PatchFormatOfFile(const std::string& path) {
    std::uint8_t magic[5] = {};
    const std::size_t got = File::OpenRead(path).ReadAt(0, magic);
    return DetectPatchFormat(std::span(magic).first(got));
}

PatchFileResult PatchRomFile(const std::string& targetPath, const std::string& patchPath, const std::string& saveAs,
                             bool force) {
    const File patchFile = File::OpenRead(patchPath);
    const FileInput patch(patchFile);
    const bool inPlace = saveAs.empty() || saveAs == targetPath || IsSameFile(targetPath, saveAs);
    PatchFileResult result{.patchedPath = inPlace ? targetPath : saveAs};
    // The patched file is written into the rewrite's temporary file, which replaces the original
    // (or becomes the new file) only when the patch went through.
    auto apply = [&](const File& original, RewriteOutput& out) {
        RewriteTarget target(out);
        PatchedFile patched = ApplyPatch(patch, FileInput(original), target, force);
        result.format = patched.format;
        result.headerKept = patched.headerKept;
        result.warnings = std::move(patched.warnings);
    };
    if (inPlace) {
        RewriteFile(targetPath, apply);
    } else {
        const File original = File::OpenRead(targetPath);
        // A new file is a copy of the target: it takes the target's permission bits.
        WriteFileAtomically(saveAs, [&](RewriteOutput& out) { apply(original, out); }, PermissionBitsOf(original));
    }
    return result;
}

std::string AppliedText(const PatchFileResult& result) {
    std::string text = std::string(PatchFormatName(result.format)) + " patch applied";
    if (result.headerKept > 0) text += " (the " + std::to_string(result.headerKept) + "-byte header kept)";
    return text + ".";
}

}  // namespace vorne
