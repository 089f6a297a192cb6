// Reading the pieces of a patch in order, a window at a time and never past the end of its part,
// and the variable-length numbers BPS and UPS share: seven bits a byte, least significant first,
// the top bit marking the last byte, and each further byte counting from one past what the
// shorter numbers reach (so every number has exactly one spelling).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "patch/patch_error.h"
#include "patch/patch_io.h"

namespace vorne {

class PatchBytes {
public:
    // Reads `input` from `from` up to `to`. Every byte it reads is added to the CRC-32 `crc`, so
    // that a reader knows the CRC of the patch up to where it stands.
    PatchBytes(const ByteInput& input, std::uint64_t from, std::uint64_t to, std::uint32_t crc = 0);

    std::uint64_t Position() const { return at; }
    std::uint64_t Left() const { return to - at; }
    // The CRC-32 of the bytes read so far, continued from the one given.
    std::uint32_t Crc() const;

    // Throws PatchError (kPatchCutShort) when the part holds too few bytes.
    std::uint8_t Byte() {
        if (at == windowEnd) Load();
        return window[static_cast<std::size_t>(at++ - windowStart)];
    }
    // Hands the next `count` bytes to `take`, a window at a time; the part must hold them all.
    void Pass(std::uint64_t count, const std::function<void(std::span<const std::uint8_t>)>& take);
    void Skip(std::uint64_t count) { Pass(count, [](std::span<const std::uint8_t>) {}); }
    // A big-endian number of `width` bytes.
    std::uint32_t BigEndian(std::size_t width) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < width; ++i) value = value << 8 | Byte();
        return value;
    }
    // A variable-length number. Throws PatchError when it is cut short or exceeds 64 bits.
    std::uint64_t Number();

private:
    void Load();

    const ByteInput& input;
    std::uint64_t at;
    std::uint64_t to;
    std::uint32_t crc;  // of the bytes before `crcEnd`
    std::uint64_t crcEnd;
    std::vector<std::uint8_t> window;
    std::uint64_t windowStart;
    std::uint64_t windowEnd;
};

// The CRC-32 of `input` from `from` up to `to`, read a piece at a time. Throws PatchError when the
// input ends first.
std::uint32_t CrcOfPart(const ByteInput& input, std::uint64_t from, std::uint64_t to, std::uint32_t crc = 0);

// The three CRC-32s that close a BPS or UPS patch: the source's, the target's and the patch's own,
// which is checked here against the CRC of the bytes before it.
struct PatchFooter {
    std::uint32_t sourceCrc = 0;
    std::uint32_t targetCrc = 0;
    std::uint32_t bodyCrc = 0;  // CRC-32 of the patch up to its three CRCs
};
inline constexpr std::size_t kPatchFooterSize = 12;

// Reads the footer of `patch` (at least kPatchFooterSize bytes) and checks the patch's own CRC-32
// in one pass over the patch. Throws PatchError when it is wrong.
PatchFooter ReadPatchFooter(const ByteInput& patch);

// Appends `value` as a variable-length number.
void AppendNumber(std::vector<std::uint8_t>& out, std::uint64_t value);

// The little-endian 32-bit word at `bytes` (the CRC-32s of BPS and UPS).
inline std::uint32_t LittleEndian32(std::span<const std::uint8_t> bytes) {
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}
void AppendLittleEndian32(std::vector<std::uint8_t>& out, std::uint32_t value);

}  // namespace vorne
