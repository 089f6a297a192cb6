#include "formats/checksum_sums.h"

#include <algorithm>
#include <bit>

#include "base/crc32.h"

namespace vorne {

namespace {

// In the header block, low byte first: the complement, and the checksum right behind it.
constexpr std::size_t kSnesComplement = 0x2C;

std::uint32_t ByteSum(std::span<const std::uint8_t> bytes) {
    std::uint32_t sum = 0;
    for (std::uint8_t b : bytes) sum += b;
    return sum;
}

// The sum of `bytes` mirrored up to the next power of two, as the console maps them.
std::uint32_t MirroredSum(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return 0;
    const std::size_t low = std::bit_floor(bytes.size());
    if (low == bytes.size()) return ByteSum(bytes);
    const std::span<const std::uint8_t> rest = bytes.subspan(low);
    const std::size_t restSpan = std::bit_ceil(rest.size());  // what the rest fills once mirrored
    return ByteSum(bytes.first(low)) + static_cast<std::uint32_t>(low / restSpan) * MirroredSum(rest);
}

std::uint32_t BigEndian32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
}

struct CicFacts {
    N64Cic cic;
    std::uint32_t bootCodeCrc;
    std::uint32_t seed;
    std::string_view name;
};

constexpr CicFacts kCics[] = {
    {N64Cic::Cic6101, 0x6170A4A1, 0xF8CA4DDC, "6101"},
    {N64Cic::Cic6102, 0x90BB6CB5, 0xF8CA4DDC, "6102"},
    {N64Cic::Cic6103, 0x0B050EE0, 0xA3886759, "6103"},
    {N64Cic::Cic6105, 0x98BC2C86, 0xDF26F436, "6105"},
    {N64Cic::Cic6106, 0xACC8580A, 0x1FEA617A, "6106"},
};

const CicFacts& FactsOf(N64Cic cic) {
    return *std::find_if(std::begin(kCics), std::end(kCics), [&](const CicFacts& f) { return f.cic == cic; });
}

}  // namespace

std::uint8_t GameboyHeaderChecksum(std::span<const std::uint8_t> image) {
    std::uint8_t x = 0;
    for (std::size_t at = 0x134; at <= 0x14C; ++at) x = static_cast<std::uint8_t>(x - (at < image.size() ? image[at] : 0) - 1);
    return x;
}

std::uint16_t SnesChecksum(std::span<const std::uint8_t> image, std::size_t blockOffset) {
    std::uint32_t sum = MirroredSum(image);
    // Each stored byte of the pair counts as its standard value instead, times the mirrors it has.
    const std::size_t low = std::bit_floor(std::max<std::size_t>(image.size(), 1));
    const std::uint8_t standard[4] = {0xFF, 0xFF, 0x00, 0x00};  // complement 0xFFFF, checksum 0x0000
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t at = blockOffset + kSnesComplement + i;
        if (at >= image.size() || at >= low) continue;  // the block lies in the unmirrored part
        sum = sum - image[at] + standard[i];
    }
    return static_cast<std::uint16_t>(sum);
}

std::uint16_t GenesisChecksum(std::span<const std::uint8_t> image) {
    std::uint32_t sum = 0;
    std::size_t at = 0x200;
    for (; at + 1 < image.size(); at += 2) sum += std::uint32_t{image[at]} << 8 | image[at + 1];
    if (at < image.size()) sum += std::uint32_t{image[at]} << 8;
    return static_cast<std::uint16_t>(sum);
}

std::optional<N64Cic> N64CicOfBootCode(std::span<const std::uint8_t> bigEndianImage) {
    if (bigEndianImage.size() < kN64CrcStart) return std::nullopt;
    const std::uint32_t crc = Crc32(bigEndianImage.subspan(0x40, kN64CrcStart - 0x40));
    for (const CicFacts& facts : kCics) {
        if (facts.bootCodeCrc == crc) return facts.cic;
    }
    return std::nullopt;
}

std::string_view N64CicName(N64Cic cic) { return FactsOf(cic).name; }

std::pair<std::uint32_t, std::uint32_t> N64Crcs(std::span<const std::uint8_t> image, N64Cic cic) {
    const std::uint32_t seed = FactsOf(cic).seed;
    std::uint32_t t1 = seed, t2 = seed, t3 = seed, t4 = seed, t5 = seed, t6 = seed;
    for (std::size_t at = kN64CrcStart; at < kN64CrcEnd; at += 4) {
        const std::uint32_t d = BigEndian32(image, at);
        if (t6 + d < t6) ++t4;  // the carry out of t6
        t6 += d;
        t3 ^= d;
        const std::uint32_t r = std::rotl(d, static_cast<int>(d & 0x1F));
        t5 += r;
        t2 ^= t2 > d ? r : t6 ^ d;
        // The 6105 mixes in a word of its boot code; the others the running sum.
        t1 += (cic == N64Cic::Cic6105 ? BigEndian32(image, 0x750 + (at & 0xFF)) : t5) ^ d;
    }
    switch (cic) {
        case N64Cic::Cic6103: return {(t6 ^ t4) + t3, (t5 ^ t2) + t1};
        case N64Cic::Cic6106: return {t6 * t4 + t3, t5 * t2 + t1};
        default: return {t6 ^ t4 ^ t3, t5 ^ t2 ^ t1};
    }
}

}  // namespace vorne
