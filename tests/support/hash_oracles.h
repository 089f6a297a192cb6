// Hashes from implementations other than ours, to check ours against: zlib's CRC-32, and the
// sha1sum and md5sum programs (through a file).
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vorne::test {

inline std::uint32_t ZlibCrc(const std::vector<std::uint8_t>& bytes) {
    return static_cast<std::uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

// The hex digest `program` (sha1sum, md5sum) prints for the bytes.
inline std::string DigestBy(const std::string& program, const TempDir& dir, const std::vector<std::uint8_t>& bytes) {
    const std::string path = dir.Write("expected.bin", bytes);
    std::FILE* pipe = popen((program + " '" + path + "'").c_str(), "r");
    char digest[129] = {};
    const bool read = pipe && std::fscanf(pipe, "%128[0-9a-f]", digest) == 1;
    if (pipe) pclose(pipe);
    return read ? std::string(digest) : program + " failed";
}

inline std::string Sha1sum(const TempDir& dir, const std::vector<std::uint8_t>& bytes) { return DigestBy("sha1sum", dir, bytes); }
inline std::string Md5sum(const TempDir& dir, const std::vector<std::uint8_t>& bytes) { return DigestBy("md5sum", dir, bytes); }

}  // namespace vorne::test
