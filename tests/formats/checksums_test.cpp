// The checksums of each kind against values worked out here from the formats' descriptions, and
// fixing them: the checksum bytes change, in the file's own layout, and nothing else.
#include "formats/checksums.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

#include "formats/reader_factory.h"
#include "images.h"
#include "support/temp_dir.h"

namespace vorne {
namespace checksums_test {
namespace {

using samples::Bytes;

Bytes Random(std::size_t size, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes b(size);
    for (auto& x : b) x = static_cast<std::uint8_t>(rng());
    return b;
}

// Loads `file` as `type`, fixes its checksums, and returns what was found and the file after.
std::pair<std::vector<ChecksumValue>, Bytes> Fix(RomType type, const Bytes& file) {
    test::TempDir dir;
    const std::string path = dir.Write("rom", file);
    auto reader = CreateReader(type, nullptr);
    reader->LoadFile(path);
    auto found = FixChecksums(*reader);
    for (const ChecksumValue& after : ComputeChecksums(*reader)) EXPECT_TRUE(after.Right()) << after.name;
    return {found, test::ReadFile(path)};
}

// `file` with `bytes` at `at`.
Bytes With(Bytes file, std::size_t at, std::initializer_list<unsigned> bytes) {
    for (unsigned b : bytes) file.at(at++) = static_cast<std::uint8_t>(b);
    return file;
}

TEST(Checksums, Gameboy) {
    for (bool copier : {false, true}) {
        Bytes image = Random(64 * 1024, 2);
        image[0x14D] = image[0x14E] = image[0x14F] = 0;
        unsigned headerSum = 0;
        for (std::size_t i = 0x134; i < 0x14D; ++i) headerSum += image[i];
        const auto header = static_cast<std::uint8_t>(0 - headerSum - 25);  // 25 bytes, one taken off each
        unsigned global = header;
        for (std::size_t i = 0; i < image.size(); ++i) global += i == 0x14D || i == 0x14E || i == 0x14F ? 0 : image[i];
        const Bytes right = With(image, 0x14D, {header, (global >> 8) & 0xFF, global & 0xFF});
        Bytes file = image;
        if (copier) file.insert(file.begin(), 512, 0);
        auto [found, after] = Fix(RomType::Gameboy, file);
        ASSERT_EQ(found.size(), 2u);
        EXPECT_EQ(found[0].computed, header);
        EXPECT_EQ(found[1].computed, global & 0xFFFF);
        Bytes expected = right;
        if (copier) expected.insert(expected.begin(), 512, 0);
        EXPECT_EQ(after, expected) << copier;
    }
}

TEST(Checksums, SnesMirrorsWhatIsNoPowerOfTwo) {
    struct Case {
        std::size_t size;
        bool hiRom;
        bool copier;
    };
    const Case cases[] = {{512 * 1024, false, false}, {1536 * 1024, false, true}, {640 * 1024, false, false},
                          {3 << 20, true, false}, {(1 << 20) + (96 << 10), true, true}};
    for (const Case& c : cases) {
        Bytes image = samples::MakeSnes({.hiRom = c.hiRom, .size = c.size, .romSizeCode = 0x0B});
        const std::size_t block = c.hiRom ? 0xFFB0 : 0x7FB0;
        image = With(image, block + 0x2C, {0x12, 0x34, 0x56, 0x78});  // wrong, and not complements
        // The image as the console sees it: each part past the largest power of two repeated
        // until it fills as much again, part by part.
        Bytes standard = With(image, block + 0x2C, {0xFF, 0xFF, 0x00, 0x00});
        std::function<Bytes(const Bytes&)> mirrored = [&](const Bytes& part) {
            std::size_t low = 1;
            while (low * 2 <= part.size()) low *= 2;
            if (low == part.size()) return part;
            Bytes rest = mirrored(Bytes(part.begin() + static_cast<std::ptrdiff_t>(low), part.end()));
            Bytes whole(part.begin(), part.begin() + static_cast<std::ptrdiff_t>(low));
            for (std::size_t i = 0; i < low; ++i) whole.push_back(rest[i % rest.size()]);
            return whole;
        };
        unsigned sum = 0;
        for (std::uint8_t b : mirrored(standard)) sum += b;
        sum &= 0xFFFF;
        const unsigned complement = sum ^ 0xFFFF;
        Bytes file = image;
        if (c.copier) file.insert(file.begin(), 512, 0xEE);
        auto [found, after] = Fix(RomType::Snes, file);
        ASSERT_EQ(found.size(), 2u);
        EXPECT_EQ(found[0].stored, 0x7856u);
        EXPECT_EQ(found[0].computed, sum) << c.size;
        EXPECT_EQ(found[1].computed, complement) << c.size;
        const std::size_t at = (c.copier ? 512 : 0) + block + 0x2C;
        EXPECT_EQ(after, With(file, at, {complement & 0xFF, complement >> 8, sum & 0xFF, sum >> 8}))
            << c.size;
    }
}

TEST(Checksums, GenesisInEitherLayout) {
    for (bool is32X : {false, true}) {
        const Bytes right = samples::MakeGenesis({.is32X = is32X, .size = is32X ? std::size_t{2} << 20 : 256 * 1024});
        unsigned sum = 0;
        for (std::size_t i = 0x200; i < right.size(); i += 2) sum += right[i] << 8 | right[i + 1];
        ASSERT_EQ(right[0x18E] << 8 | right[0x18F], static_cast<int>(sum & 0xFFFF));
        const Bytes wrong = With(right, 0x18E, {0xAB, 0xCD});
        const std::size_t half = is32X ? 0x80000 : 8192;
        for (int layout = 0; layout < 3; ++layout) {
            auto make = [&](const Bytes& linear) { return layout == 0 ? linear : samples::Interleave(linear, half, layout == 2); };
            auto [found, after] = Fix(is32X ? RomType::Genesis32X : RomType::Genesis, make(wrong));
            ASSERT_EQ(found.size(), 1u);
            EXPECT_EQ(found[0].stored, 0xABCDu);
            EXPECT_EQ(after, make(right)) << is32X << " " << layout;
        }
    }
}

// An interleaved file whose data is not whole blocks would be summed with its incomplete block
// as zeros: it is refused, as the conversion refuses it, and nothing is written.
TEST(Checksums, InterleavedFilesOfIncompleteBlocksAreRefused) {
    const Bytes linear = samples::MakeGenesis({.is32X = true, .size = std::size_t{1} << 20});
    struct Case {
        const char* what;
        Bytes file;
        std::string reason;
    };
    Bytes tail = samples::Interleave(With(linear, 0x18E, {0, 0}), 0x80000, false);
    tail.resize(tail.size() + 16384, 0x77);  // a piece of a second 1 MiB block
    Bytes odd = samples::Interleave(With(samples::MakeGenesis({.size = 32768}), 0x18E, {0, 0}), 8192, false);
    odd.insert(odd.begin(), 100, 0x20);  // a header of neither 512 bytes nor none
    const Case cases[] = {
        {"32X", tail, "its length, 1064960 bytes, is not whole blocks of 1048576 bytes"},
        {"Genesis", odd, "its length, 32868 bytes, is not whole blocks of 16384 bytes"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string path = dir.Write("rom", c.file);
        auto reader = CreateReader(c.what[0] == '3' ? RomType::Genesis32X : RomType::Genesis, nullptr);
        reader->LoadFile(path);
        try {
            FixChecksums(*reader);
            ADD_FAILURE() << c.what << ": fixed";
        } catch (const OperationRefused& e) {
            EXPECT_EQ(std::string(e.what()), path + ": " + c.reason + " (behind a copier header of 512 bytes or none); left as it is")
                << c.what;
        }
        EXPECT_EQ(test::ReadFile(path), c.file) << c.what;
    }
}

// The CRC-32 of `boot` made `crc` by its last four bytes: the register is run back from the
// wanted value through four unknown bytes, then met with the register before them.
void ForgeCrc(Bytes& image, std::size_t from, std::size_t to, std::uint32_t crc) {
    const auto* table = get_crc_table();
    std::uint32_t reg = ~crc;
    for (int k = 0; k < 4; ++k) {
        std::uint32_t i = 0;
        while ((table[i] >> 24) != (reg >> 24)) ++i;
        reg = ((reg ^ static_cast<std::uint32_t>(table[i])) << 8) | i;
    }
    const std::uint32_t before = ~static_cast<std::uint32_t>(crc32(0, image.data() + from, static_cast<uInt>(to - 4 - from)));
    const std::uint32_t last = reg ^ before;
    for (int k = 0; k < 4; ++k) image[to - 4 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(last >> (8 * k));
    ASSERT_EQ(crc32(0, image.data() + from, static_cast<uInt>(to - from)), crc);
}

// CRC1 and CRC2 (stored at 0x10 and 0x14) as the boot code works them out, over the words from
// 0x1000 to 0x100FFF.
std::pair<std::uint32_t, std::uint32_t> BootCodeCrcs(const Bytes& image, int cic) {
    auto word = [&](std::size_t at) { return std::uint32_t(image[at]) << 24 | image[at + 1] << 16 | image[at + 2] << 8 | image[at + 3]; };
    const std::uint32_t seed = cic == 6103 ? 0xA3886759 : cic == 6105 ? 0xDF26F436 : cic == 6106 ? 0x1FEA617A : 0xF8CA4DDC;
    std::uint32_t a = seed, b = seed, c = seed, carries = seed, rotated = seed, sum = seed;
    for (std::size_t at = 0x1000; at != 0x101000; at += 4) {
        const std::uint32_t d = word(at);
        const std::uint64_t wide = std::uint64_t{sum} + d;
        carries += static_cast<std::uint32_t>(wide >> 32);
        sum = static_cast<std::uint32_t>(wide);
        c ^= d;
        const unsigned n = d % 32;
        const std::uint32_t r = n == 0 ? d : (d << n) | (d >> (32 - n));
        rotated += r;
        b = b > d ? b ^ r : b ^ sum ^ d;
        a += cic == 6105 ? (word(0x40 + 0x710 + at % 256) ^ d) : (rotated ^ d);
    }
    if (cic == 6103) return {(sum ^ carries) + c, (rotated ^ b) + a};
    if (cic == 6106) return {sum * carries + c, rotated * b + a};
    return {sum ^ carries ^ c, rotated ^ b ^ a};
}

TEST(Checksums, N64ByCicInEveryByteOrder) {
    struct Cic {
        int number;
        std::uint32_t bootCodeCrc;
    };
    const Cic cics[] = {{6101, 0x6170A4A1}, {6102, 0x90BB6CB5}, {6103, 0x0B050EE0}, {6105, 0x98BC2C86}, {6106, 0xACC8580A}};
    for (const Cic& cic : cics) {
        Bytes image = Random(0x101000 + 0x1000, static_cast<std::uint32_t>(cic.number));
        image = With(image, 0, {0x80, 0x37, 0x12, 0x40});
        ForgeCrc(image, 0x40, 0x1000, cic.bootCodeCrc);
        const auto [crc1, crc2] = BootCodeCrcs(image, cic.number);
        Bytes right = image;
        for (int k = 0; k < 4; ++k) {
            right[0x10 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(crc1 >> (24 - 8 * k));
            right[0x14 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(crc2 >> (24 - 8 * k));
        }
        // Stored big-endian, byte-swapped, and as little-endian words.
        for (int order = 0; order < 3; ++order) {
            auto store = [&](Bytes b) {
                for (std::size_t i = 0; i + 3 < b.size(); i += 4) {
                    if (order == 1) std::swap(b[i], b[i + 1]), std::swap(b[i + 2], b[i + 3]);
                    if (order == 2) std::swap(b[i], b[i + 3]), std::swap(b[i + 1], b[i + 2]);
                }
                return b;
            };
            auto [found, after] = Fix(RomType::N64, store(image));
            ASSERT_EQ(found.size(), 2u);
            EXPECT_EQ(found[0].computed, crc1) << cic.number << " order " << order;
            EXPECT_EQ(found[1].computed, crc2) << cic.number << " order " << order;
            EXPECT_EQ(after, store(right)) << cic.number << " order " << order;
        }
    }
    // A boot code of no known chip, and an image too short: nothing is computed or written.
    test::TempDir dir;
    for (const Bytes& file : {Random(0x101000, 9), Random(0x100000, 9)}) {
        const std::string path = dir.Write("odd.z64", file);
        auto reader = CreateReader(RomType::N64, nullptr);
        reader->LoadFile(path);
        EXPECT_THROW(FixChecksums(*reader), OperationRefused);
        EXPECT_EQ(test::ReadFile(path), file);
    }
}

}  // namespace
}  // namespace checksums_test
}  // namespace vorne
