#include "base/chunked_read.h"

#include <algorithm>

#include "platform/file.h"

namespace vorne {

void ReadInChunks(const File& file, std::int64_t from, std::int64_t to, std::vector<std::uint8_t>& buffer,
                  const ChunkVisitor& visit) {
    for (std::int64_t at = from; at < to;) {
        auto size = static_cast<std::size_t>(std::min<std::int64_t>(to - at, kReadChunkSize));
        buffer.resize(size);
        std::size_t got = file.ReadAt(at, buffer);
        std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(got), buffer.end(), std::uint8_t{0});
        visit(at, buffer);
        at += static_cast<std::int64_t>(size);
    }
}

std::span<const std::uint8_t> PartWithin(std::int64_t offset, std::span<const std::uint8_t> bytes, std::int64_t from,
                                         std::int64_t to) {
    const std::int64_t first = std::max(offset, from);
    const std::int64_t last = std::min(offset + static_cast<std::int64_t>(bytes.size()), to);
    if (first >= last) return {};
    return bytes.subspan(static_cast<std::size_t>(first - offset), static_cast<std::size_t>(last - first));
}

void CopyWithin(std::int64_t offset, std::span<const std::uint8_t> bytes, std::int64_t from,
                std::span<std::uint8_t> out) {
    auto part = PartWithin(offset, bytes, from, from + static_cast<std::int64_t>(out.size()));
    if (part.empty()) return;
    std::copy(part.begin(), part.end(), out.begin() + (std::max(offset, from) - from));
}

}  // namespace vorne
