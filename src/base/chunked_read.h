// Reading a file a chunk at a time, so that a file of any size costs its reading time and one
// chunk of memory. A file that fits in one chunk is read with a single read.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace vorne {

class File;

// Large enough to keep the fast CRC-32 paths busy, small enough to stay in the cache meanwhile.
inline constexpr std::size_t kReadChunkSize = std::size_t{1} << 20;

// Receives the bytes that stand at `offset` of the file, in file order.
using ChunkVisitor = std::function<void(std::int64_t offset, std::span<const std::uint8_t> bytes)>;

// Hands bytes `from` to `to` (not included) of `file` to `visit`, reading them through `buffer`,
// which grows to at most kReadChunkSize. Bytes the file no longer holds (it shrank after its
// length was taken) read as zero. Throws FileError.
void ReadInChunks(const File& file, std::int64_t from, std::int64_t to, std::vector<std::uint8_t>& buffer,
                  const ChunkVisitor& visit);

// The part of `bytes`, which stand at `offset`, that lies between `from` and `to` (not included).
std::span<const std::uint8_t> PartWithin(std::int64_t offset, std::span<const std::uint8_t> bytes, std::int64_t from,
                                         std::int64_t to);

// Copies what `bytes`, which stand at `offset`, hold of the stretch `out` stands for (the bytes
// from `from` on) into its place in `out`.
void CopyWithin(std::int64_t offset, std::span<const std::uint8_t> bytes, std::int64_t from,
                std::span<std::uint8_t> out);

}  // namespace vorne
