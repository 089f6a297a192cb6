#include "catalogue/crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string_view>
#include <vector>

namespace vorne {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
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

// Every length and alignment around the block sizes of the fast paths, checked against the table
// method and against zlib.
TEST(Crc32, MatchesTableMethodAtEveryLengthAndAlignment) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> data(70000);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 600; ++n) lengths.push_back(n);
    for (std::size_t n : {1023u, 1024u, 1025u, 4095u, 4096u, 4097u, 40960u, 65536u, 69000u}) lengths.push_back(n);
    for (std::size_t offset = 0; offset < 64; offset += 7) {
        for (std::size_t n : lengths) {
            std::span<const std::uint8_t> part(data.data() + offset, n);
            std::uint32_t expected = Crc32Bytewise(part);
            ASSERT_EQ(Crc32(part), expected) << "offset " << offset << " length " << n;
            ASSERT_EQ(expected, crc32(0, part.data(), static_cast<uInt>(n)));
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

}  // namespace
}  // namespace vorne
