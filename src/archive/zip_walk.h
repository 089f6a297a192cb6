// Listing an archive's members without reading any member's data: from its central directory
// when it has one that can be read, otherwise by walking the chain of local file headers front to
// back (an archive cut short before its directory still shows what it holds).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vorne {

class File;
struct ZipDirectoryEntry;

struct ZipMemberInfo {
    std::string name;
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint64_t localHeaderOffset = 0;
};

ZipMemberInfo MemberInfoOf(const ZipDirectoryEntry& entry);

// Yields each member in archive order. The walk stops at the first record that is not a local
// file header (the central directory, or damage), at a name that is empty, starts with a control
// character or runs past the end of the file. A member whose sizes and CRC follow its data (a
// data descriptor) is yielded with what its header says, and ends the walk: where its data ends
// is not known. Throws FileError on a read error.
void WalkLocalHeaders(const File& archive, const std::function<void(const ZipMemberInfo&)>& yield);

struct ZipListing {
    bool fromDirectory = false;
    std::vector<ZipMemberInfo> members;  // in directory order, or in archive order
};

// The members of an open archive: its directory's entries, or what the walk finds when it has no
// directory that can be read. An archive whose directory holds no entries lists none. Throws
// FileError on a read error.
ZipListing ListZipMembers(const File& archive);

}  // namespace vorne
