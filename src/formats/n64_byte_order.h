// The three byte orders N64 images are kept in, told apart by the image's first word: the
// cartridge's own big-endian order (.z64), byte pairs swapped (.v64), and little-endian words (.n64).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace vorne {

enum class N64ByteOrder {
    Unknown,     // the first word is none of the three: the image is taken as stored
    BigEndian,   // 80 37 12 40 (.z64)
    ByteSwapped, // 37 80 40 12 (.v64)
    LittleEndian // 40 12 37 80 (.n64)
};

// The order the first four bytes of an image show; Unknown for fewer than four.
N64ByteOrder DetectN64ByteOrder(std::span<const std::uint8_t> firstBytes);

// The extension that names an order ("z64", "v64", "n64"), empty for Unknown.
std::string_view N64ByteOrderName(N64ByteOrder order);

// Puts bytes stored in `order` into big-endian order, in place, or back (each conversion is its
// own inverse). `bytes` starts at an offset that is a multiple of four in the image; a last word
// (or pair) the span does not fill has no partner bytes to exchange with and is left as it is.
void ToBigEndian(std::span<std::uint8_t> bytes, N64ByteOrder order);
inline void FromBigEndian(std::span<std::uint8_t> bytes, N64ByteOrder order) { ToBigEndian(bytes, order); }

// Where byte `offset` of the big-endian image lies in an image stored in `order`.
std::int64_t StoredOffset(std::int64_t offset, N64ByteOrder order);

}  // namespace vorne
