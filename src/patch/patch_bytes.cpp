#include "patch/patch_bytes.h"

#include <algorithm>

#include "base/crc32.h"
#include "patch/patch_text.h"

namespace vorne {

namespace {

constexpr std::size_t kWindow = std::size_t{256} << 10;

}  // namespace

PatchBytes::PatchBytes(const ByteInput& input, std::uint64_t from, std::uint64_t to, std::uint32_t crc)
    : input(input), at(from), to(std::max(from, to)), crc(crc), crcEnd(from), windowStart(from), windowEnd(from) {}

std::uint32_t PatchBytes::Crc() const {
    return Crc32(std::span(window).subspan(static_cast<std::size_t>(crcEnd - windowStart), static_cast<std::size_t>(at - crcEnd)), crc);
}

void PatchBytes::Load() {
    if (at == to) throw PatchError(kPatchCutShort);
    crc = Crc();  // the whole window was read
    crcEnd = at;
    if (window.empty()) window.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, to - at)));
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(window.size(), to - at));
    // A patch that ends before the size it had when it was opened was cut meanwhile.
    const std::size_t got = input.ReadAt(at, std::span(window).first(want));
    if (got == 0) throw PatchError(kPatchCutShort);
    windowStart = at;
    windowEnd = at + got;
}

void PatchBytes::Pass(std::uint64_t count, const std::function<void(std::span<const std::uint8_t>)>& take) {
    if (Left() < count) throw PatchError(kPatchCutShort);
    while (count > 0) {
        if (at == windowEnd) Load();
        const auto piece = static_cast<std::size_t>(std::min(count, windowEnd - at));
        take(std::span(window).subspan(static_cast<std::size_t>(at - windowStart), piece));
        at += piece;
        count -= piece;
    }
}

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

std::uint32_t CrcOfPart(const ByteInput& input, std::uint64_t from, std::uint64_t to, std::uint32_t crc) {
    PatchBytes bytes(input, from, to, crc);
    bytes.Skip(bytes.Left());
    return bytes.Crc();
}

PatchFooter ReadPatchFooter(const ByteInput& patch) {
    const std::uint64_t body = patch.Size() - kPatchFooterSize;
    std::uint8_t footer[kPatchFooterSize];
    if (patch.ReadAt(body, footer) != kPatchFooterSize) throw PatchError(kPatchCutShort);
    const PatchFooter result{LittleEndian32(footer), LittleEndian32(std::span(footer).subspan(4)), CrcOfPart(patch, 0, body)};
    const std::uint32_t stored = LittleEndian32(std::span(footer).subspan(8));
    const std::uint32_t computed = Crc32(std::span(footer).first(8), result.bodyCrc);
    if (stored != computed) throw PatchError(DamagedPatchCrcText(stored, computed));
    return result;
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
