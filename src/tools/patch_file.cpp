#include "tools/patch_file.h"

#include "patch/apply_patch.h"
#include "platform/file.h"
#include "platform/rewrite.h"

namespace vorne {

namespace {

void Take(PatchedFile&& patched, PatchFileResult& result) {
    result.format = patched.format;
    result.headerKept = patched.headerKept;
    result.warnings = std::move(patched.warnings);
}

}  // namespace

PatchFileResult PatchRomFile(const std::string& targetPath, const std::string& patchPath, const std::string& saveAs,
                             bool force) {
    const std::vector<std::uint8_t> patch = ReadWholeFile(patchPath);
    const bool inPlace = saveAs.empty() || saveAs == targetPath || IsSameFile(targetPath, saveAs);
    PatchFileResult result{.patchedPath = inPlace ? targetPath : saveAs};
    if (inPlace) {
        RewriteFile(targetPath, [&](const File& original, RewriteOutput& out) {
            std::vector<std::uint8_t> file;
            original.ReadAll(file);
            PatchedFile patched = ApplyPatch(patch, file, force);
            out.Write(patched.bytes);
            Take(std::move(patched), result);
        });
    } else {
        const std::vector<std::uint8_t> file = ReadWholeFile(targetPath);
        PatchedFile patched = ApplyPatch(patch, file, force);
        WriteFileAtomically(saveAs, patched.bytes);
        Take(std::move(patched), result);
    }
    return result;
}

std::string AppliedText(const PatchFileResult& result) {
    std::string text = std::string(PatchFormatName(result.format)) + " patch applied";
    if (result.headerKept > 0) text += " (the " + std::to_string(result.headerKept) + "-byte header kept)";
    return text + ".";
}

}  // namespace vorne
