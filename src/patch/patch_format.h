// The patch formats, told apart by their first bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace vorne {

enum class PatchFormat { Unknown, Ips, Ips32, Bps, Ups };

PatchFormat DetectPatchFormat(std::span<const std::uint8_t> bytes);

// "IPS", "IPS32", "BPS", "UPS"; empty for Unknown.
std::string_view PatchFormatName(PatchFormat format);

inline constexpr const char* kNotAPatch = "This is no patch: it starts with none of PATCH, IPS32, BPS1 or UPS1.";

}  // namespace vorne
