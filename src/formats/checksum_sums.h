// The checksums the cartridges carry, computed from image bytes. The readers find the images in
// their files and write the results back (see checksums.h).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

namespace vorne {

// Game Boy: the header checksum over 0x134 to 0x14C: each byte and one more taken away from zero.
std::uint8_t GameboyHeaderChecksum(std::span<const std::uint8_t> image);

// SNES: the 16-bit sum of every byte of the image (copier header left out). An image whose size
// is no power of two is summed as the console sees it: the largest power of two below its size,
// then the rest mirrored up to that size (itself summed the same way). The checksum and its
// complement count as 0x0000 and 0xFFFF, whatever they hold, so the sum does not depend on them.
std::uint16_t SnesChecksum(std::span<const std::uint8_t> image, std::size_t blockOffset);

// Genesis and 32X: the 16-bit sum of the big-endian words from 0x200 to the end of the linear
// image; an odd last byte counts as a word's high byte.
std::uint16_t GenesisChecksum(std::span<const std::uint8_t> image);

// N64: the boot code's CIC chip, known by the CRC-32 of the boot code at 0x40 to 0xFFF.
enum class N64Cic { Cic6101, Cic6102, Cic6103, Cic6105, Cic6106 };
std::optional<N64Cic> N64CicOfBootCode(std::span<const std::uint8_t> bigEndianImage);
std::string_view N64CicName(N64Cic cic);  // "6102"

// The image bytes the N64 CRCs cover: 0x1000 to 0x100FFF.
inline constexpr std::size_t kN64CrcStart = 0x1000;
inline constexpr std::size_t kN64CrcEnd = 0x101000;

// CRC1 and CRC2 (stored at 0x10 and 0x14) of a big-endian image at least kN64CrcEnd long.
std::pair<std::uint32_t, std::uint32_t> N64Crcs(std::span<const std::uint8_t> bigEndianImage, N64Cic cic);

}  // namespace vorne
