// CRC-32 by carry-less multiplication (PCLMULQDQ, and VPCLMULQDQ on 256- and 512-bit registers).
//
// How it works. Over GF(2) a message M of n bits is a polynomial whose first bit is the
// coefficient of x^(n-1), and the CRC (before the final complement) is M(x) * x^32 mod P(x), with
// the starting value XOR-ed into the first 32 bits. Because only the remainder matters, a 128-bit
// block X that lies d bits before some later block Y may be replaced by anything congruent to
// X * x^d mod P and XOR-ed into Y ("folding"). Split X into its leading and trailing 64 bits,
// X = A * x^64 + B; then X * x^d = A * x^(d+64) + B * x^d, and each half times a 32-bit constant
// (x^k mod P) is one carry-less multiply whose product fits in 96 bits. Several accumulators fold
// independent streams at once; at the end they are folded into one 128-bit value, reduced to 96,
// then 64 bits, and a Barrett reduction gives the 32-bit remainder.
//
// Bit order. The CRC is reflected: within a little-endian load, bit 0 of byte 0 is the highest
// power. So in a w-bit register bit i holds the coefficient of x^(w-1-i) ("reflected form"). A
// carry-less multiply of two reflected 64-bit values puts the coefficient of x^m at bit 126 - m,
// which read as a reflected 128-bit value is the product times x. Every constant below is one
// power lower to make up for that extra x.
#include "base/crc32_paths.h"

#ifdef VORNE_CRC32_X86_PATHS

#include <immintrin.h>

#include <cstddef>
#include <cstring>

namespace vorne {

namespace {

// ---- Constants, all derived from the polynomial at compile time -------------------------------

constexpr std::uint32_t kReflectedPoly = 0xEDB88320u;  // P(x) without its x^32 term, reflected

constexpr std::uint64_t Reflect(std::uint64_t value, int bits) {
    std::uint64_t result = 0;
    for (int i = 0; i < bits; ++i) result |= ((value >> i) & 1) << (bits - 1 - i);
    return result;
}

// x^k mod P in 32-bit reflected form (bit i is the coefficient of x^(31-i)). Multiplying by x is a
// shift towards bit 0; the x^32 that falls out is replaced by the rest of P.
constexpr std::uint32_t XPowModP(unsigned k) {
    std::uint32_t v = 0x80000000u;  // x^0
    while (k-- > 0) v = (v >> 1) ^ ((v & 1) ? kReflectedPoly : 0);
    return v;
}

// The multiplier that, carry-less multiplied with a 64-bit reflected half, moves it d bits further
// on: x^(d-1) mod P (one less for the x every multiply adds), in 64-bit reflected form.
constexpr std::uint64_t ShiftBy(unsigned d) { return std::uint64_t{XPowModP(d - 1)} << 32; }

// The pair of multipliers that folds a 128-bit block forward by `bits`: the leading half (low
// qword of the register) travels bits + 64, the trailing half (high qword) travels `bits`.
struct FoldConstants {
    std::uint64_t leading;
    std::uint64_t trailing;
};

constexpr FoldConstants FoldBy(unsigned bits) { return {ShiftBy(bits + 64), ShiftBy(bits)}; }

constexpr FoldConstants kFold128 = FoldBy(128);    // one 16-byte block to the next
constexpr FoldConstants kFold256 = FoldBy(256);    // one 256-bit register to the next
constexpr FoldConstants kFold512 = FoldBy(512);    // 4 x 128-bit lanes, or one 512-bit register
constexpr FoldConstants kFold1024 = FoldBy(1024);  // 4 x 256-bit registers
constexpr FoldConstants kFold2048 = FoldBy(2048);  // 4 x 512-bit registers

// Final reduction of the last 128-bit value X = A * x^64 + B to X * x^32 mod P:
//   96 bits:  A * x^96 + B * x^32       (A times x^95 mod P; B just moves)
//   64 bits:  T = C * x^64 + D  ->  C * (x^63 mod P) + D
constexpr FoldConstants kReduce = {ShiftBy(96), ShiftBy(64)};

// floor(x^64 / P), by long division in plain (non-reflected) bit order.
constexpr std::uint64_t PlainPoly() { return (std::uint64_t{1} << 32) | Reflect(kReflectedPoly, 32); }

constexpr std::uint64_t BarrettQuotient() {
    std::uint64_t remainder = 0, quotient = 0;
    for (int i = 64; i >= 0; --i) {
        remainder = (remainder << 1) | (i == 64 ? 1 : 0);
        if (remainder & (std::uint64_t{1} << 32)) {
            remainder ^= PlainPoly();
            quotient |= std::uint64_t{1} << i;
        }
    }
    return quotient;
}

// Barrett reduction of a 64-bit value U = E * x^32 + F: q = floor(E * mu / x^32), and the
// remainder is the low 32 bits of F + q * P. mu = floor(x^64 / P) and P both have degree 32 and
// are kept in 33-bit reflected form, which puts q and the low half of q * P where they are read.
constexpr std::uint64_t kBarrettMu = Reflect(BarrettQuotient(), 33);
constexpr std::uint64_t kPolyFull = Reflect(PlainPoly(), 33);

static_assert(kPolyFull == ((std::uint64_t{kReflectedPoly} << 1) | 1));
static_assert(BarrettQuotient() >> 32 == 1, "x^64 / P has degree 32");

// ---- 128-bit steps, shared by every path --------------------------------------------------------

#define VORNE_PCLMUL __attribute__((target("pclmul,sse2")))
#define VORNE_VPCLMUL256 __attribute__((target("pclmul,avx2,vpclmulqdq")))
#define VORNE_VPCLMUL512 __attribute__((target("pclmul,avx2,avx512f,vpclmulqdq")))

VORNE_PCLMUL inline __m128i Pair(FoldConstants k) {
    return _mm_set_epi64x(static_cast<long long>(k.trailing), static_cast<long long>(k.leading));
}

VORNE_PCLMUL inline __m128i Load128(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// x carried `k` further on, not yet XOR-ed with what it lands on.
VORNE_PCLMUL inline __m128i Fold128(__m128i x, __m128i k) {
    return _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11));
}

// The 16-byte blocks left at p, then the reduction to the 32-bit CRC register.
VORNE_PCLMUL inline std::uint32_t FinishFold(__m128i x, const std::uint8_t*& p, std::size_t& n) {
    const __m128i k128 = Pair(kFold128);
    for (; n >= 16; p += 16, n -= 16) x = _mm_xor_si128(Fold128(x, k128), Load128(p));

    const __m128i reduce = Pair(kReduce);
    // A * x^96 + B * x^32: the product sits in bits 32..127, B moves from bits 64..127 to 32..95.
    __m128i t = _mm_xor_si128(_mm_clmulepi64_si128(x, reduce, 0x00),
                              _mm_slli_si128(_mm_unpackhi_epi64(x, _mm_setzero_si128()), 4));
    // C (bits 32..63) times x^64, added to D (the high qword).
    __m128i u = _mm_xor_si128(_mm_clmulepi64_si128(t, reduce, 0x10), t);
    auto u64 = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(u, u)));

    const __m128i barrett = _mm_set_epi64x(static_cast<long long>(kPolyFull), static_cast<long long>(kBarrettMu));
    __m128i q = _mm_clmulepi64_si128(_mm_cvtsi32_si128(static_cast<int>(u64 & 0xFFFFFFFFu)), barrett, 0x00);
    q = _mm_cvtsi32_si128(_mm_cvtsi128_si32(q));
    auto qp = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_clmulepi64_si128(q, barrett, 0x10)));
    return static_cast<std::uint32_t>((u64 >> 32) ^ (qp >> 32));
}

// ---- The three paths; each takes the CRC register (the complemented CRC) and n >= 64 bytes, and
// returns the register after all whole 16-byte blocks, advancing p and n past them. ------------

VORNE_PCLMUL std::uint32_t FoldPclmul(std::uint32_t state, const std::uint8_t*& p, std::size_t& n) {
    const __m128i k512 = Pair(kFold512), k128 = Pair(kFold128);
    __m128i x0 = _mm_xor_si128(Load128(p), _mm_cvtsi32_si128(static_cast<int>(state)));
    __m128i x1 = Load128(p + 16), x2 = Load128(p + 32), x3 = Load128(p + 48);
    for (p += 64, n -= 64; n >= 64; p += 64, n -= 64) {
        x0 = _mm_xor_si128(Fold128(x0, k512), Load128(p));
        x1 = _mm_xor_si128(Fold128(x1, k512), Load128(p + 16));
        x2 = _mm_xor_si128(Fold128(x2, k512), Load128(p + 32));
        x3 = _mm_xor_si128(Fold128(x3, k512), Load128(p + 48));
    }
    __m128i x = _mm_xor_si128(Fold128(x0, k128), x1);
    x = _mm_xor_si128(Fold128(x, k128), x2);
    x = _mm_xor_si128(Fold128(x, k128), x3);
    return FinishFold(x, p, n);
}

VORNE_VPCLMUL256 inline __m256i Pair256(FoldConstants k) {
    return _mm256_set_epi64x(static_cast<long long>(k.trailing), static_cast<long long>(k.leading),
                             static_cast<long long>(k.trailing), static_cast<long long>(k.leading));
}

VORNE_VPCLMUL256 inline __m256i Load256(const std::uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

VORNE_VPCLMUL256 inline __m256i Fold256(__m256i y, __m256i k) {
    return _mm256_xor_si256(_mm256_clmulepi64_epi128(y, k, 0x00), _mm256_clmulepi64_epi128(y, k, 0x11));
}

VORNE_VPCLMUL256 std::uint32_t FoldVpclmul256(std::uint32_t state, const std::uint8_t*& p, std::size_t& n) {
    const __m256i k256 = Pair256(kFold256);
    const __m256i first = _mm256_zextsi128_si256(_mm_cvtsi32_si128(static_cast<int>(state)));
    __m256i y;
    if (n >= 128) {
        const __m256i k1024 = Pair256(kFold1024);
        __m256i y0 = _mm256_xor_si256(Load256(p), first);
        __m256i y1 = Load256(p + 32), y2 = Load256(p + 64), y3 = Load256(p + 96);
        for (p += 128, n -= 128; n >= 128; p += 128, n -= 128) {
            y0 = _mm256_xor_si256(Fold256(y0, k1024), Load256(p));
            y1 = _mm256_xor_si256(Fold256(y1, k1024), Load256(p + 32));
            y2 = _mm256_xor_si256(Fold256(y2, k1024), Load256(p + 64));
            y3 = _mm256_xor_si256(Fold256(y3, k1024), Load256(p + 96));
        }
        y = _mm256_xor_si256(Fold256(y0, k256), y1);
        y = _mm256_xor_si256(Fold256(y, k256), y2);
        y = _mm256_xor_si256(Fold256(y, k256), y3);
    } else {
        y = _mm256_xor_si256(Load256(p), first);
        p += 32;
        n -= 32;
    }
    for (; n >= 32; p += 32, n -= 32) y = _mm256_xor_si256(Fold256(y, k256), Load256(p));
    __m128i x = _mm_xor_si128(Fold128(_mm256_castsi256_si128(y), Pair(kFold128)), _mm256_extracti128_si256(y, 1));
    return FinishFold(x, p, n);
}

VORNE_VPCLMUL512 inline __m512i Pair512(FoldConstants k) {
    auto leading = static_cast<long long>(k.leading), trailing = static_cast<long long>(k.trailing);
    return _mm512_set_epi64(trailing, leading, trailing, leading, trailing, leading, trailing, leading);
}

// Lane i of z (the zeroing form sidesteps a false uninitialised warning in GCC 12's headers).
template <int Lane>
VORNE_VPCLMUL512 inline __m128i Lane128(__m512i z) {
    return _mm512_maskz_extracti32x4_epi32(0xF, z, Lane);
}

VORNE_VPCLMUL512 inline __m512i Load512(const std::uint8_t* p) { return _mm512_loadu_si512(p); }

// z carried `k` further on and XOR-ed with `onto`, in one three-way XOR.
VORNE_VPCLMUL512 inline __m512i Fold512(__m512i z, __m512i k, __m512i onto) {
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(z, k, 0x00), _mm512_clmulepi64_epi128(z, k, 0x11),
                                     onto, 0x96);
}

VORNE_VPCLMUL512 std::uint32_t FoldVpclmul512(std::uint32_t state, const std::uint8_t*& p, std::size_t& n) {
    const __m512i k512 = Pair512(kFold512);
    const __m512i first = _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(state)));
    __m512i z;
    if (n >= 256) {
        const __m512i k2048 = Pair512(kFold2048);
        __m512i z0 = _mm512_xor_si512(Load512(p), first);
        __m512i z1 = Load512(p + 64), z2 = Load512(p + 128), z3 = Load512(p + 192);
        for (p += 256, n -= 256; n >= 256; p += 256, n -= 256) {
            z0 = Fold512(z0, k2048, Load512(p));
            z1 = Fold512(z1, k2048, Load512(p + 64));
            z2 = Fold512(z2, k2048, Load512(p + 128));
            z3 = Fold512(z3, k2048, Load512(p + 192));
        }
        z = Fold512(Fold512(Fold512(z0, k512, z1), k512, z2), k512, z3);
    } else {
        z = _mm512_xor_si512(Load512(p), first);
        p += 64;
        n -= 64;
    }
    for (; n >= 64; p += 64, n -= 64) z = Fold512(z, k512, Load512(p));
    // Lane 0 holds the earliest bytes; each lane is carried on to the next.
    const __m128i k128 = Pair(kFold128);
    __m128i x = _mm_xor_si128(Fold128(Lane128<0>(z), k128), Lane128<1>(z));
    x = _mm_xor_si128(Fold128(x, k128), Lane128<2>(z));
    x = _mm_xor_si128(Fold128(x, k128), Lane128<3>(z));
    return FinishFold(x, p, n);
}

// Every fold path starts from one full 64 bytes; anything shorter goes to slicing-by-8.
constexpr std::size_t kMinFoldLength = 64;

template <std::uint32_t (*Fold)(std::uint32_t, const std::uint8_t*&, std::size_t&)>
std::uint32_t Run(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
    if (bytes.size() < kMinFoldLength) return Crc32Slicing8(bytes, crc);
    const std::uint8_t* p = bytes.data();
    std::size_t n = bytes.size();
    std::uint32_t state = Fold(~crc, p, n);
    return Crc32Slicing8({p, n}, ~state);
}

}  // namespace

std::uint32_t Crc32Pclmul(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
    return Run<FoldPclmul>(bytes, crc);
}

std::uint32_t Crc32Vpclmul256(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
    return Run<FoldVpclmul256>(bytes, crc);
}

std::uint32_t Crc32Vpclmul512(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
    return Run<FoldVpclmul512>(bytes, crc);
}

// __builtin_cpu_supports also checks that the OS saves the AVX and AVX-512 registers
// (XGETBV) before it reports avx2 or avx512*.
bool CpuHasPclmul() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse2");
}

bool CpuHasVpclmul256() {
    __builtin_cpu_init();
    return CpuHasPclmul() && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("vpclmulqdq");
}

bool CpuHasVpclmul512() {
    __builtin_cpu_init();
    return CpuHasVpclmul256() && __builtin_cpu_supports("avx512f");
}

}  // namespace vorne

#endif  // VORNE_CRC32_X86_PATHS
