#include "base/crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "base/crc32_paths.h"

namespace vorne {

// Names the path in gtest's messages instead of dumping its bytes.
void PrintTo(const Crc32Path& path, std::ostream* out) { *out << path.name; }

namespace crc32_test {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> data(n);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    return data;
}

std::uint32_t Zlib(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0) {
    return static_cast<std::uint32_t>(crc32(crc, bytes.data(), static_cast<uInt>(bytes.size())));
}

// Every length up to 600 (all block sizes, set-up thresholds and tail lengths of the fast paths),
// then sizes around the wider strides, including slicing-by-8's three-stream blocks of 768.
std::vector<std::size_t> LengthsToCheck() {
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 600; ++n) lengths.push_back(n);
    for (std::size_t n : {767u, 768u, 769u, 1023u, 1024u, 1025u, 2311u, 4095u, 4096u, 4097u, 40960u, 65536u, 69000u}) {
        lengths.push_back(n);
    }
    return lengths;
}

TEST(Crc32, KnownValues) {
    struct Case {
        std::string_view text;
        std::uint32_t crc;
    };
    for (const Case& c : {Case{"", 0x00000000u}, Case{"123456789", 0xCBF43926u}, Case{"a", 0xE8B7BE43u},
                          Case{"The quick brown fox jumps over the lazy dog", 0x414FA339u}}) {
        EXPECT_EQ(Crc32(Bytes(c.text)), c.crc) << c.text;
        EXPECT_EQ(Crc32Bytewise(Bytes(c.text)), c.crc) << c.text;
    }
}

TEST(Crc32, MatchesTableMethodAtEveryLengthAndAlignment) {
    std::vector<std::uint8_t> data = RandomBytes(70000, 7);
    for (std::size_t offset = 0; offset < 64; offset += 7) {
        for (std::size_t n : LengthsToCheck()) {
            std::span<const std::uint8_t> part(data.data() + offset, n);
            std::uint32_t expected = Crc32Bytewise(part);
            ASSERT_EQ(Crc32(part), expected) << "offset " << offset << " length " << n;
            ASSERT_EQ(expected, Zlib(part));
        }
    }
}

TEST(Crc32, ContinuesAcrossPieces) {
    std::vector<std::uint8_t> data(10000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 31 + 5);
    std::uint32_t whole = Crc32(data);
    for (std::size_t cut : {0u, 1u, 15u, 64u, 4999u, 10000u}) {
        std::span<const std::uint8_t> all(data);
        EXPECT_EQ(Crc32(all.subspan(cut), Crc32(all.first(cut))), whole) << cut;
    }
}

// Paths are listed slowest first, and Crc32() must settle on the fastest one this CPU runs.
TEST(Crc32, UsesTheFastestAvailablePath) {
    std::string fastest;
    for (const Crc32Path& path : Crc32Paths()) {
        if (path.available()) fastest = path.name;
    }
    EXPECT_EQ(Crc32ActivePath().name, fastest);
}

// ---- Each path on its own ------------------------------------------------------------------------

class Crc32PathTest : public testing::TestWithParam<Crc32Path> {
protected:
    void SetUp() override {
        if (!GetParam().available()) GTEST_SKIP() << "this CPU cannot run " << GetParam().name;
    }
    std::uint32_t Run(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0) const {
        return GetParam().function(bytes, crc);
    }
};

TEST_P(Crc32PathTest, KnownValues) {
    struct Case {
        std::string text;
        std::uint32_t crc;
    };
    const Case cases[] = {
        {"", 0x00000000u},
        {"123456789", 0xCBF43926u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
        // Long enough for every fold loop; values from zlib.
        {std::string(64, '\0'), 0x758D6336u},
        {std::string(1000, '\xFF'), 0xE0533230u},
    };
    for (const Case& c : cases) EXPECT_EQ(Run(Bytes(c.text)), c.crc) << "length " << c.text.size();
}

// Against the table method and zlib at every length, at odd addresses, and both from a fresh start
// and from a running CRC (which the fold paths XOR into their first block).
TEST_P(Crc32PathTest, MatchesTableMethodAndZlibAtEveryLengthAndAlignment) {
    std::vector<std::uint8_t> data = RandomBytes(70000, 11);
    for (std::size_t offset : {0u, 1u, 3u, 8u, 13u, 31u, 63u}) {
        for (std::size_t n : LengthsToCheck()) {
            std::span<const std::uint8_t> part(data.data() + offset, n);
            for (std::uint32_t start : {0u, 0xFFFFFFFFu, 0x12345678u}) {
                std::uint32_t expected = Crc32Bytewise(part, start);
                ASSERT_EQ(Run(part, start), expected) << "offset " << offset << " length " << n << " start " << start;
                ASSERT_EQ(Zlib(part, start), expected) << "offset " << offset << " length " << n;
            }
        }
    }
}

TEST_P(Crc32PathTest, LargeBuffers) {
    std::vector<std::uint8_t> data = RandomBytes((3u << 20) + 64, 3);
    for (std::size_t offset : {0u, 5u}) {
        for (std::size_t n : {(1u << 20) - 1, (1u << 20) + 37, 3u << 20}) {
            std::span<const std::uint8_t> part(data.data() + offset, n);
            ASSERT_EQ(Run(part), Zlib(part)) << "offset " << offset << " length " << n;
        }
    }
}

// A CRC carried over from one piece to the next, with cuts that leave every kind of remainder
// (below the fold threshold, partial 16-byte blocks, partial wide strides) on either side.
TEST_P(Crc32PathTest, ContinuesAcrossPieces) {
    std::vector<std::uint8_t> data = RandomBytes(20000, 5);
    std::span<const std::uint8_t> all(data);
    const std::uint32_t whole = Crc32Bytewise(all);
    const std::vector<std::vector<std::size_t>> splits = {
        {0},
        {20000},
        {1},
        {63, 64, 65},
        {15, 17, 255, 257, 511},
        {4999, 5000, 12345},
        {100, 300, 1000, 3000, 9000, 19999},
    };
    for (const auto& cuts : splits) {
        std::uint32_t crc = 0;
        std::size_t from = 0;
        for (std::size_t cut : cuts) {
            crc = Run(all.subspan(from, cut - from), crc);
            from = cut;
        }
        crc = Run(all.subspan(from), crc);
        EXPECT_EQ(crc, whole) << "first cut at " << cuts.front() << ", " << cuts.size() << " cuts";
    }
}

INSTANTIATE_TEST_SUITE_P(Crc32, Crc32PathTest, testing::ValuesIn(Crc32Paths().begin(), Crc32Paths().end()),
                         [](const testing::TestParamInfo<Crc32Path>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace crc32_test
}  // namespace vorne
