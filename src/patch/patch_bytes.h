// Reading the pieces of a patch in order, never past its end, and the variable-length numbers
// BPS and UPS share: seven bits a byte, least significant first, the top bit marking the last
// byte, and each further byte counting from one past what the shorter numbers reach (so every
// number has exactly one spelling).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "patch/patch_error.h"

namespace vorne {

class PatchBytes {
public:
    explicit PatchBytes(std::span<const std::uint8_t> bytes) : bytes(bytes) {}

    std::size_t Position() const { return at; }
    std::size_t Left() const { return bytes.size() - at; }

    // The next `count` bytes. Throws PatchError when the patch holds fewer.
    std::span<const std::uint8_t> Take(std::size_t count) {
        if (Left() < count) throw PatchError(kPatchCutShort);
        auto piece = bytes.subspan(at, count);
        at += count;
        return piece;
    }
    std::uint8_t Byte() { return Take(1)[0]; }
    // A big-endian number of `width` bytes.
    std::uint32_t BigEndian(std::size_t width) {
        std::uint32_t value = 0;
        for (std::uint8_t b : Take(width)) value = value << 8 | b;
        return value;
    }
    // A variable-length number. Throws PatchError when it is cut short or exceeds 64 bits.
    std::uint64_t Number();

private:
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
};

// Appends `value` as a variable-length number.
void AppendNumber(std::vector<std::uint8_t>& out, std::uint64_t value);

// The little-endian 32-bit word at `bytes` (the CRC-32s of BPS and UPS).
inline std::uint32_t LittleEndian32(std::span<const std::uint8_t> bytes) {
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}
void AppendLittleEndian32(std::vector<std::uint8_t>& out, std::uint32_t value);

}  // namespace vorne
