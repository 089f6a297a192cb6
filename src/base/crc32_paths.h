// The individual ways Crc32() can do its work, reachable one by one so that tests can check each
// path the CPU offers and benchmarks can time them side by side. Other code should call Crc32().
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VORNE_CRC32_X86_PATHS 1
#endif

namespace vorne {

// Slicing-by-8 (eight table look-ups per 8 bytes), over three interleaved streams once the input
// is long enough. Runs on any CPU, and finishes the short inputs and the last few bytes of the
// carry-less multiply paths.
std::uint32_t Crc32Slicing8(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

#ifdef VORNE_CRC32_X86_PATHS
// Carry-less multiply folding. Each needs the instructions its CpuHas...() reports; calling one on a
// CPU without them ends in SIGILL. All share the one final reduction and fall back to slicing-by-8
// below 64 bytes and for the last 15 bytes or fewer.

// Four 128-bit lanes, PCLMULQDQ.
std::uint32_t Crc32Pclmul(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);
bool CpuHasPclmul();

// Four 256-bit registers (eight lanes), VPCLMULQDQ with AVX2.
std::uint32_t Crc32Vpclmul256(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);
bool CpuHasVpclmul256();

// Four 512-bit registers (sixteen lanes), VPCLMULQDQ with AVX-512.
std::uint32_t Crc32Vpclmul512(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);
bool CpuHasVpclmul512();
#endif

struct Crc32Path {
    std::string_view name;
    std::uint32_t (*function)(std::span<const std::uint8_t> bytes, std::uint32_t crc);
    bool (*available)();  // whether this CPU (and its OS) can run `function`
};

// Every path built into this program, slowest first. Crc32() uses the last available one.
std::span<const Crc32Path> Crc32Paths();

// The path Crc32() has settled on.
const Crc32Path& Crc32ActivePath();

}  // namespace vorne
