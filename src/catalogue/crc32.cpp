#include "catalogue/crc32.h"

#include <cstring>

#include "catalogue/crc32_paths.h"

namespace vorne {

namespace {

// Slicing-by-8: eight tables, table k advancing a byte through k further zero bytes.
constexpr std::array<std::array<std::uint32_t, 256>, 8> MakeSlicingTables() {
    std::array<std::array<std::uint32_t, 256>, 8> tables{};
    tables[0] = kCrc32Table;
    for (int k = 1; k < 8; ++k) {
        for (int i = 0; i < 256; ++i) {
            std::uint32_t previous = tables[k - 1][i];
            tables[k][i] = (previous >> 8) ^ kCrc32Table[previous & 0xFF];
        }
    }
    return tables;
}

constexpr auto kSlicing = MakeSlicingTables();

std::uint32_t UpdateSlicing8(std::uint32_t c, const std::uint8_t* p, std::size_t n) {
    while (n >= 8) {
        std::uint32_t lo, hi;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + 4, 4);
        lo ^= c;
        c = kSlicing[7][lo & 0xFF] ^ kSlicing[6][(lo >> 8) & 0xFF] ^ kSlicing[5][(lo >> 16) & 0xFF] ^
            kSlicing[4][lo >> 24] ^ kSlicing[3][hi & 0xFF] ^ kSlicing[2][(hi >> 8) & 0xFF] ^
            kSlicing[1][(hi >> 16) & 0xFF] ^ kSlicing[0][hi >> 24];
        p += 8;
        n -= 8;
    }
    while (n--) c = (c >> 8) ^ kCrc32Table[(c ^ *p++) & 0xFF];
    return c;
}

bool Always() { return true; }

constexpr Crc32Path kPaths[] = {
    {"slicing8", &Crc32Slicing8, &Always},
#ifdef VORNE_CRC32_X86_PATHS
    {"pclmul", &Crc32Pclmul, &CpuHasPclmul},
    {"vpclmul256", &Crc32Vpclmul256, &CpuHasVpclmul256},
    {"vpclmul512", &Crc32Vpclmul512, &CpuHasVpclmul512},
#endif
};

const Crc32Path& ChooseFastestPath() {
    for (std::size_t i = std::size(kPaths); i-- > 1;) {
        if (kPaths[i].available()) return kPaths[i];
    }
    return kPaths[0];
}

}  // namespace

std::uint32_t Crc32Bytewise(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
    std::uint32_t c = ~crc;
    for (std::uint8_t b : bytes) c = (c >> 8) ^ kCrc32Table[(c ^ b) & 0xFF];
    return ~c;
}

std::uint32_t Crc32Slicing8(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
    return ~UpdateSlicing8(~crc, bytes.data(), bytes.size());
}

std::span<const Crc32Path> Crc32Paths() { return kPaths; }

const Crc32Path& Crc32ActivePath() {
    static const Crc32Path& active = ChooseFastestPath();  // chosen once; thread-safe initialisation
    return active;
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
    static const auto function = Crc32ActivePath().function;
    return function(bytes, crc);
}

}  // namespace vorne
