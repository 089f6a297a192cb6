#include "patch/patch_bytes.h"

namespace vorne {

std::uint64_t PatchBytes::Number() {
    std::uint64_t value = 0;
    std::uint64_t shift = 1;
    for (int i = 0; i < 10; ++i) {
        const std::uint8_t b = Byte();
        const std::uint64_t part = (b & 0x7Fu) * shift;
        if (shift > 1 && part / shift != (b & 0x7Fu)) break;
        if (value + part < value) break;
        value += part;
        if (b & 0x80) return value;
        if (shift > (std::uint64_t{1} << 56)) break;
        shift <<= 7;
        if (value + shift < value) break;
        value += shift;
    }
    throw PatchError("The patch is damaged: a number in it is too large.");
}

void AppendNumber(std::vector<std::uint8_t>& out, std::uint64_t value) {
    for (;;) {
        const auto low = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
        if (value == 0) {
            out.push_back(0x80 | low);
            return;
        }
        out.push_back(low);
        --value;
    }
}

void AppendLittleEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace vorne
