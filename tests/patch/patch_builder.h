// A second BPS and UPS encoder, written from the formats' description alone and with zlib's
// CRC-32, so the readers are checked against something other than themselves. BPS patches are
// spelled out action by action; UPS patches are made naively from the two files.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vorne::test {

using Bytes = std::vector<std::uint8_t>;

inline std::uint32_t ZlibCrc(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

inline void PutNumber(Bytes& out, std::uint64_t n) {
    while (true) {
        std::uint8_t low = n & 0x7F;
        n >>= 7;
        if (n == 0) {
            out.push_back(low | 0x80);
            return;
        }
        out.push_back(low);
        n -= 1;
    }
}

inline void PutCrc(Bytes& out, std::uint32_t crc) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(crc >> shift));
}

// Three CRC-32s close a patch: the two given and the patch's own.
inline Bytes Close(Bytes patch, std::uint32_t sourceCrc, std::uint32_t targetCrc) {
    PutCrc(patch, sourceCrc);
    PutCrc(patch, targetCrc);
    PutCrc(patch, ZlibCrc(patch));
    return patch;
}

struct BpsStep {
    int kind;              // 0 SourceRead, 1 TargetRead, 2 SourceCopy, 3 TargetCopy
    std::uint64_t length;
    std::int64_t move = 0; // SourceCopy, TargetCopy: how far the copy offset moves first
    Bytes literal = {};    // TargetRead
};

// The unclosed patch: header and actions.
inline Bytes BpsBody(std::uint64_t sourceSize, std::uint64_t targetSize, const std::vector<BpsStep>& steps,
                     const std::string& metadata = "") {
    Bytes out{'B', 'P', 'S', '1'};
    PutNumber(out, sourceSize);
    PutNumber(out, targetSize);
    PutNumber(out, metadata.size());
    out.insert(out.end(), metadata.begin(), metadata.end());
    for (const BpsStep& s : steps) {
        PutNumber(out, (s.length - 1) * 4 + static_cast<std::uint64_t>(s.kind));
        if (s.kind == 1) out.insert(out.end(), s.literal.begin(), s.literal.end());
        if (s.kind >= 2) PutNumber(out, (static_cast<std::uint64_t>(s.move < 0 ? -s.move : s.move) << 1) | (s.move < 0 ? 1 : 0));
    }
    return out;
}

inline Bytes Bps(const Bytes& source, const Bytes& target, const std::vector<BpsStep>& steps) {
    return Close(BpsBody(source.size(), target.size(), steps), ZlibCrc(source), ZlibCrc(target));
}

// UPS, naively: every differing byte XOR-ed, each hunk closed at the first equal byte.
inline Bytes UpsBody(const Bytes& source, const Bytes& target) {
    Bytes out{'U', 'P', 'S', '1'};
    PutNumber(out, source.size());
    PutNumber(out, target.size());
    const std::size_t size = std::max(source.size(), target.size());
    auto at = [](const Bytes& b, std::size_t i) { return i < b.size() ? b[i] : std::uint8_t{0}; };
    std::size_t last = 0;
    for (std::size_t i = 0; i < size;) {
        if (at(source, i) == at(target, i)) {
            ++i;
            continue;
        }
        PutNumber(out, i - last);
        while (i < size && at(source, i) != at(target, i)) {
            out.push_back(at(source, i) ^ at(target, i));
            ++i;
        }
        out.push_back(0);
        last = ++i;
    }
    return out;
}

inline Bytes Ups(const Bytes& source, const Bytes& target) {
    return Close(UpsBody(source, target), ZlibCrc(source), ZlibCrc(target));
}

}  // namespace vorne::test
