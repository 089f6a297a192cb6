#include "patch/patch_format.h"

#include <algorithm>
#include <array>

namespace vorne {

namespace {

struct Magic {
    std::string_view text;
    PatchFormat format;
};

constexpr std::array<Magic, 4> kMagics{{
    {"IPS32", PatchFormat::Ips32},
    {"PATCH", PatchFormat::Ips},
    {"BPS1", PatchFormat::Bps},
    {"UPS1", PatchFormat::Ups},
}};

}  // namespace

PatchFormat DetectPatchFormat(std::span<const std::uint8_t> bytes) {
    for (const Magic& magic : kMagics) {
        if (bytes.size() >= magic.text.size() && std::equal(magic.text.begin(), magic.text.end(), bytes.begin())) {
            return magic.format;
        }
    }
    return PatchFormat::Unknown;
}

std::string_view PatchFormatName(PatchFormat format) {
    switch (format) {
        case PatchFormat::Ips: return "IPS";
        case PatchFormat::Ips32: return "IPS32";
        case PatchFormat::Bps: return "BPS";
        case PatchFormat::Ups: return "UPS";
        case PatchFormat::Unknown: break;
    }
    return {};
}

}  // namespace vorne
