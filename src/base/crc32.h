// CRC-32 of zip and ISO 3309: reflected polynomial 0xEDB88320, preset and final complement.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace vorne {

// Continues the CRC-32 `crc` (0 to start) over `bytes` and returns the new value, like zlib's
// crc32(): Crc32(b, Crc32(a)) == Crc32(a followed by b). Picks the fastest method the CPU offers.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

// The byte-at-a-time table method, kept as the reference the fast paths are checked against.
std::uint32_t Crc32Bytewise(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

// Table entry i is i shifted right eight times, XOR-ed with the polynomial whenever a 1 falls out.
constexpr std::array<std::uint32_t, 256> MakeCrc32Table() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        table[i] = c;
    }
    return table;
}

inline constexpr std::array<std::uint32_t, 256> kCrc32Table = MakeCrc32Table();

}  // namespace vorne
