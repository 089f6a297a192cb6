// Builds DEFLATE streams bit by bit for the decoder's tests, so every error path can be reached
// with exactly the bits that trigger it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace vorne::test {

class BitWriter {
public:
    // `count` bits of `value`, least significant first (header fields, extra bits).
    BitWriter& Put(std::uint32_t value, unsigned count) {
        for (unsigned i = 0; i < count; ++i) PutBit((value >> i) & 1);
        return *this;
    }
    // A Huffman code, most significant bit first.
    BitWriter& PutCode(std::uint32_t code, unsigned length) {
        for (unsigned i = length; i-- > 0;) PutBit((code >> i) & 1);
        return *this;
    }
    BitWriter& Align() {
        while (used_ != 0) PutBit(0);
        return *this;
    }
    BitWriter& Byte(std::uint8_t b) { return Align().Put(b, 8); }
    std::vector<std::uint8_t> Bytes() const { return bytes_; }  // the last byte's unused bits are 0

private:
    void PutBit(std::uint32_t bit) {
        if (used_ == 0) bytes_.push_back(0);
        bytes_.back() |= static_cast<std::uint8_t>(bit << used_);
        used_ = (used_ + 1) & 7;
    }
    std::vector<std::uint8_t> bytes_;
    unsigned used_ = 0;
};

struct Code {
    std::uint32_t bits = 0;
    unsigned length = 0;
};

// Canonical codes for a set of lengths, as RFC 1951, 3.2.2 assigns them.
inline std::vector<Code> CanonicalCodes(std::span<const std::uint8_t> lengths) {
    std::array<unsigned, 17> count{};
    for (auto n : lengths) ++count[n];
    count[0] = 0;
    std::array<std::uint32_t, 17> next{};
    std::uint32_t code = 0;
    for (unsigned bits = 1; bits <= 16; ++bits) {
        code = (code + count[bits - 1]) << 1;
        next[bits] = code;
    }
    std::vector<Code> codes(lengths.size());
    for (std::size_t s = 0; s < lengths.size(); ++s) {
        if (lengths[s] != 0) codes[s] = {next[lengths[s]]++, lengths[s]};
    }
    return codes;
}

// Fixed-code literal/length symbol and distance symbol (RFC 1951, 3.2.6).
inline void PutFixedSymbol(BitWriter& w, unsigned symbol) {
    if (symbol < 144) w.PutCode(0x30 + symbol, 8);
    else if (symbol < 256) w.PutCode(0x190 + symbol - 144, 9);
    else if (symbol < 280) w.PutCode(symbol - 256, 7);
    else w.PutCode(0xC0 + symbol - 280, 8);
}
inline void PutFixedDistance(BitWriter& w, unsigned symbol) { w.PutCode(symbol, 5); }

// A dynamic block header whose code-length code gives symbols 0-15 four bits each (and 16-18 none),
// so each length is sent as itself. Returns the literal/length and distance codes for the body.
struct DynamicCodes {
    std::vector<Code> litlen;
    std::vector<Code> dist;
};
inline DynamicCodes PutDynamicHeader(BitWriter& w, std::span<const std::uint8_t> litlen,
                                     std::span<const std::uint8_t> dist) {
    w.Put(static_cast<std::uint32_t>(litlen.size() - 257), 5)
        .Put(static_cast<std::uint32_t>(dist.size() - 1), 5)
        .Put(19 - 4, 4);
    constexpr std::array<unsigned, 19> kOrder = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    for (unsigned symbol : kOrder) w.Put(symbol < 16 ? 4 : 0, 3);
    for (auto n : litlen) w.PutCode(n, 4);
    for (auto n : dist) w.PutCode(n, 4);
    return {CanonicalCodes(litlen), CanonicalCodes(dist)};
}

}  // namespace vorne::test
