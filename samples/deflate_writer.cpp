#include "deflate_writer.h"

#include <array>

namespace vorne::samples {

namespace {

class BitWriter {
public:
    // `count` bits of `value`, least significant first.
    void Bits(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) Bit((value >> i) & 1);
    }
    // A Huffman code, sent most significant bit first.
    void Code(std::uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1);
    }
    std::vector<std::uint8_t> Finish() {
        if (used) bytes.push_back(current);
        return std::move(bytes);
    }

private:
    void Bit(std::uint32_t bit) {
        current = static_cast<std::uint8_t>(current | (bit << used));
        if (++used == 8) {
            bytes.push_back(current);
            current = 0;
            used = 0;
        }
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t current = 0;
    int used = 0;
};

constexpr std::array<int, 29> kLengthBase{3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31,
                                          35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                           3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistanceBase{1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129,
                                            193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097,
                                            6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistanceExtra{0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// The fixed literal/length code of a symbol.
void Symbol(BitWriter& out, int symbol) {
    if (symbol < 144) out.Code(0x30 + symbol, 8);
    else if (symbol < 256) out.Code(0x190 + symbol - 144, 9);
    else if (symbol < 280) out.Code(symbol - 256, 7);
    else out.Code(0xC0 + symbol - 280, 8);
}

void Match(BitWriter& out, int length, int distance) {
    int l = 28;
    while (kLengthBase[l] > length) --l;
    Symbol(out, 257 + l);
    out.Bits(static_cast<std::uint32_t>(length - kLengthBase[l]), kLengthExtra[l]);
    int d = 29;
    while (kDistanceBase[d] > distance) --d;
    out.Code(static_cast<std::uint32_t>(d), 5);
    out.Bits(static_cast<std::uint32_t>(distance - kDistanceBase[d]), kDistanceExtra[d]);
}

}  // namespace

std::vector<std::uint8_t> DeflateFixed(std::span<const std::uint8_t> data) {
    constexpr int kWindow = 32768;
    constexpr int kHashSize = 1 << 15;
    constexpr int kChain = 16;
    std::vector<int> head(kHashSize, -1);
    std::vector<int> previous(data.size(), -1);
    auto hash = [&](std::size_t i) {
        return ((data[i] << 10) ^ (data[i + 1] << 5) ^ data[i + 2]) & (kHashSize - 1);
    };
    auto insert = [&](std::size_t i) {
        if (i + 2 >= data.size()) return;
        int h = hash(i);
        previous[i] = head[h];
        head[h] = static_cast<int>(i);
    };

    BitWriter out;
    out.Bits(1, 1);  // final block
    out.Bits(1, 2);  // fixed codes
    std::size_t i = 0;
    while (i < data.size()) {
        int bestLength = 0;
        int bestDistance = 0;
        if (i + 2 < data.size()) {
            int candidate = head[hash(i)];
            for (int tries = 0; candidate >= 0 && tries < kChain; ++tries, candidate = previous[candidate]) {
                int distance = static_cast<int>(i) - candidate;
                if (distance > kWindow) break;
                int length = 0;
                while (length < 258 && i + length < data.size() && data[candidate + length] == data[i + length]) ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = distance;
                }
            }
        }
        if (bestLength >= 3) {
            Match(out, bestLength, bestDistance);
            for (int k = 0; k < bestLength; ++k) insert(i + k);
            i += static_cast<std::size_t>(bestLength);
        } else {
            Symbol(out, data[i]);
            insert(i);
            ++i;
        }
    }
    Symbol(out, 256);  // end of block
    return out.Finish();
}

}  // namespace vorne::samples
