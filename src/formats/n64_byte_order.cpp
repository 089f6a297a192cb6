#include "formats/n64_byte_order.h"

#include <utility>

namespace vorne {

N64ByteOrder DetectN64ByteOrder(std::span<const std::uint8_t> b) {
    if (b.size() < 4) return N64ByteOrder::Unknown;
    const std::uint32_t word = (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
    switch (word) {
        case 0x80371240: return N64ByteOrder::BigEndian;
        case 0x37804012: return N64ByteOrder::ByteSwapped;
        case 0x40123780: return N64ByteOrder::LittleEndian;
        default: return N64ByteOrder::Unknown;
    }
}

std::string_view N64ByteOrderName(N64ByteOrder order) {
    switch (order) {
        case N64ByteOrder::BigEndian: return "z64";
        case N64ByteOrder::ByteSwapped: return "v64";
        case N64ByteOrder::LittleEndian: return "n64";
        case N64ByteOrder::Unknown: break;
    }
    return {};
}

void ToBigEndian(std::span<std::uint8_t> bytes, N64ByteOrder order) {
    const std::size_t n = bytes.size();
    if (order == N64ByteOrder::ByteSwapped) {
        for (std::size_t i = 0; i + 1 < n; i += 2) std::swap(bytes[i], bytes[i + 1]);
    } else if (order == N64ByteOrder::LittleEndian) {
        for (std::size_t i = 0; i + 3 < n; i += 4) {
            std::swap(bytes[i], bytes[i + 3]);
            std::swap(bytes[i + 1], bytes[i + 2]);
        }
    }
}

std::int64_t StoredOffset(std::int64_t offset, N64ByteOrder order) {
    switch (order) {
        case N64ByteOrder::ByteSwapped: return offset ^ 1;
        case N64ByteOrder::LittleEndian: return offset ^ 3;
        default: return offset;
    }
}

}  // namespace vorne
