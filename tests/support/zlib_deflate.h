// zlib as the oracle and yardstick: raw DEFLATE streams (no zlib or gzip wrapper), as zip
// members carry them. For tests and benchmarks only.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace vorne::test {

inline std::vector<std::uint8_t> ZlibDeflateRaw(std::span<const std::uint8_t> data, int level,
                                                int strategy = Z_DEFAULT_STRATEGY, int memLevel = 8) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, memLevel, strategy) != Z_OK) throw std::runtime_error("deflateInit2 failed");
    std::vector<std::uint8_t> out(deflateBound(&z, static_cast<uLong>(data.size())) + 16);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    int result = deflate(&z, Z_FINISH);
    deflateEnd(&z);
    if (result != Z_STREAM_END) throw std::runtime_error("deflate failed");
    out.resize(z.total_out);
    return out;
}

}  // namespace vorne::test
