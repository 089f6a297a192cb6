#include "patch/patch_text.h"

#include <cstdio>

namespace vorne {

namespace {

template <typename... Values>
std::string Format(const char* format, Values... values) {
    char text[160];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

}  // namespace

std::string DamagedPatchCrcText(std::uint32_t stored, std::uint32_t computed) {
    return Format("The patch is damaged: it says its CRC-32 is %08x, but its bytes give %08x.", stored, computed);
}

std::string SourceCrcText(std::uint32_t expected, std::uint32_t actual) {
    return Format("This patch is for a ROM with CRC-32 %08x; this file is %08x.", expected, actual);
}

std::string TargetCrcText(std::uint32_t expected, std::uint32_t actual) {
    return Format("The patched ROM should have CRC-32 %08x, but it has %08x.", expected, actual);
}

}  // namespace vorne
