#include "patch/headerless.h"

#include <algorithm>

#include "base/crc32.h"

namespace vorne {

namespace {

constexpr std::size_t kPiece = std::size_t{1} << 20;

}  // namespace

std::vector<std::size_t> HeaderCandidates(const ByteInput& file) {
    static constexpr std::uint8_t kInesMagic[] = {'N', 'E', 'S', 0x1A};
    std::uint8_t magic[sizeof kInesMagic] = {};
    const std::uint64_t size = file.Size();
    std::vector<std::size_t> sizes{0};
    if (size > kInesHeaderSize && file.ReadAt(0, magic) == sizeof magic && std::equal(std::begin(kInesMagic), std::end(kInesMagic), magic)) {
        sizes.push_back(kInesHeaderSize);
    }
    // The SNES reader's test, which a DAT's headerless CRC follows: a copier writes its header in
    // front of an image of whole 8 KiB units.
    if (size > kCopierHeaderSize && size % kCopierUnit == kCopierHeaderSize) sizes.push_back(kCopierHeaderSize);
    return sizes;
}

std::vector<std::uint32_t> CrcsBehind(const ByteInput& file, std::span<const std::size_t> headers) {
    const std::uint64_t size = file.Size();
    std::vector<std::uint32_t> crcs(headers.size(), 0);
    std::vector<std::uint8_t> piece(static_cast<std::size_t>(std::min<std::uint64_t>(size, kPiece)));
    std::uint64_t at = 0;
    while (at < size) {
        const std::size_t got = file.ReadAt(at, std::span(piece).first(static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), size - at))));
        if (got == 0) break;  // the file shrank: the CRCs no longer match, which says so
        for (std::size_t h = 0; h < headers.size(); ++h) {
            if (at + got <= headers[h]) continue;
            const auto skip = static_cast<std::size_t>(std::max<std::uint64_t>(at, headers[h]) - at);
            crcs[h] = Crc32(std::span(piece).subspan(skip, got - skip), crcs[h]);
        }
        at += got;
    }
    return crcs;
}

}  // namespace vorne
