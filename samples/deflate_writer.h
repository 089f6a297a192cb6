// A small DEFLATE compressor for making sample archives: greedy LZ77 matching coded with the
// fixed Huffman codes (RFC 1951, 3.2.6). Not fast and not tight; only correct.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vorne::samples {

// A raw DEFLATE stream (one final block with fixed codes) that decodes to `data`.
std::vector<std::uint8_t> DeflateFixed(std::span<const std::uint8_t> data);

}  // namespace vorne::samples
