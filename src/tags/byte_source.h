// TagLib reads tags through a stream of its own kind; this one serves it from whatever the caller
// reads with (a file on disk or bytes in memory), read-only, so TagLib never opens or writes a
// file itself.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace vorne {

// Fills `out` from `offset` of the source; returns how many bytes were there (fewer at the end).
using ReadBytesAt = std::function<std::size_t(std::int64_t offset, std::span<std::uint8_t> out)>;

// A source of `length` bytes read through `read`.
struct ByteSource {
    ReadBytesAt read;
    std::int64_t length = 0;
};

// A source over bytes held in memory.
ByteSource MemorySource(std::span<const std::uint8_t> bytes);

}  // namespace vorne
