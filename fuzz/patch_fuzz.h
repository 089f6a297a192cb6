// What the patch fuzz targets share: the input with its last four bytes made the CRC-32 of the
// rest (as a patch's own CRC), and a small source to patch.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/crc32.h"
#include "patch/patch_error.h"

namespace vorne::fuzz {

// Larger targets are skipped: they cost time, not coverage.
inline constexpr std::uint64_t kLargestTarget = std::uint64_t{1} << 20;

inline std::vector<std::uint8_t> WithPatchCrc(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> patch(data, data + size);
    if (patch.size() >= 4) {
        const std::uint32_t crc = Crc32(std::span(patch).first(patch.size() - 4));
        for (int i = 0; i < 4; ++i) patch[patch.size() - 4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (8 * i));
    }
    return patch;
}

inline std::span<const std::uint8_t> Source() {
    static const std::vector<std::uint8_t> source = [] {
        std::vector<std::uint8_t> bytes(300);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 31);
        return bytes;
    }();
    return source;
}

}  // namespace vorne::fuzz
