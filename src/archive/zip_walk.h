// Listing an archive's members from the chain of local file headers, front to back, without
// reading any member's data.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vorne {

class File;

struct ZipMemberInfo {
    std::string name;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::int64_t localHeaderOffset = 0;
};

// The longest member name each walk accepts.
inline constexpr int kMemberWalkNameLimit = 256;   // archive members in the folder scan
inline constexpr int kZipListingNameLimit = 260;   // the Zip kind's listing

// Yields each member in archive order. The walk stops at the first record that is not a local
// file header (the central directory, or damage), at a name longer than `nameLimit`, and at a
// name that is empty or starts with a control character or a byte of 0x80 and above. A member
// whose sizes and CRC follow its data (a data descriptor) takes them from the central directory,
// and the walk goes on at the next member the directory names. Throws FileError on a read error.
void WalkLocalHeaders(const File& archive, int nameLimit, const std::function<void(const ZipMemberInfo&)>& yield);

}  // namespace vorne
