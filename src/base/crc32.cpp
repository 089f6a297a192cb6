#include "base/crc32.h"

#include <cstring>

#include "base/crc32_paths.h"

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

// One slicing-by-8 step: the register after the 8 bytes at p.
inline std::uint32_t Step8(std::uint32_t c, const std::uint8_t* p) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    auto lo = static_cast<std::uint32_t>(word) ^ c;
    auto hi = static_cast<std::uint32_t>(word >> 32);
    return kSlicing[7][lo & 0xFF] ^ kSlicing[6][(lo >> 8) & 0xFF] ^ kSlicing[5][(lo >> 16) & 0xFF] ^
           kSlicing[4][lo >> 24] ^ kSlicing[3][hi & 0xFF] ^ kSlicing[2][(hi >> 8) & 0xFF] ^
           kSlicing[1][(hi >> 16) & 0xFF] ^ kSlicing[0][hi >> 24];
}

// A single chain of steps is bound by the latency of its table look-ups, so long inputs are
// taken in blocks of three streams of kStreamBytes, each stream with its own register. The
// register update is linear over GF(2) with no constant term, so a register that started at s
// and then saw data D equals the one that started at 0 and saw D, XOR s pushed through
// len(D) zero bytes. Pushing through kStreamBytes zero bytes is itself linear in s, and is
// tabulated a byte of s at a time.
constexpr std::size_t kStreamBytes = 256;

constexpr std::array<std::array<std::uint32_t, 256>, 4> MakeZeroShiftTables(std::size_t zeroBytes) {
    std::array<std::uint32_t, 32> ofBit{};  // the image of each single-bit register
    for (int bit = 0; bit < 32; ++bit) {
        std::uint32_t c = std::uint32_t{1} << bit;
        for (std::size_t i = 0; i < zeroBytes; ++i) c = (c >> 8) ^ kCrc32Table[c & 0xFF];
        ofBit[bit] = c;
    }
    std::array<std::array<std::uint32_t, 256>, 4> tables{};
    for (int k = 0; k < 4; ++k) {
        for (int b = 0; b < 256; ++b) {
            for (int j = 0; j < 8; ++j) {
                if (b & (1 << j)) tables[k][b] ^= ofBit[8 * k + j];
            }
        }
    }
    return tables;
}

constexpr auto kZeroShift = MakeZeroShiftTables(kStreamBytes);

inline std::uint32_t PastOneStream(std::uint32_t c) {
    return kZeroShift[0][c & 0xFF] ^ kZeroShift[1][(c >> 8) & 0xFF] ^ kZeroShift[2][(c >> 16) & 0xFF] ^
           kZeroShift[3][c >> 24];
}

std::uint32_t UpdateSlicing8(std::uint32_t c, const std::uint8_t* p, std::size_t n) {
    for (; n >= 3 * kStreamBytes; p += 3 * kStreamBytes, n -= 3 * kStreamBytes) {
        std::uint32_t a = c, b = 0, d = 0;
        for (std::size_t i = 0; i < kStreamBytes; i += 8) {
            a = Step8(a, p + i);
            b = Step8(b, p + kStreamBytes + i);
            d = Step8(d, p + 2 * kStreamBytes + i);
        }
        c = PastOneStream(PastOneStream(a) ^ b) ^ d;
    }
    for (; n >= 8; p += 8, n -= 8) c = Step8(c, p);
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
