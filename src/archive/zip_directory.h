// Reading the central directory of an open archive: the end record searched for in the file's
// tail, the zip64 end record when a locator stands before it, and then every entry. Archives
// behind a prefix (a self-extractor's program, or any bytes put in front) are read too: their
// offsets are taken relative to where the archive really begins.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/zip_format.h"
#include "archive/zip_status.h"

namespace vorne {

class File;

struct ZipDirectory {
    bool endFound = false;  // an end record of a single-volume archive was found
    bool read = false;      // and the directory it names was read into `entries`
    ZipEndRecord end;
    std::uint64_t prefix = 0;  // bytes in front of the archive that its offsets do not count
    std::uint64_t start = 0;   // where the directory begins in the file
    // In directory order, as far as entries lie wholly within the directory; local header offsets
    // count from the start of the file.
    std::vector<ZipDirectoryEntry> entries;
};

// Reads the directory of an open archive of `length` bytes. Each failure is added to `status`
// with its diagnostic lines (`baseName` names the archive in them): no end record, a
// multi-volume archive, a directory that does not lie within the file or cannot be read. A read
// error of the file is reported the same way; nothing is thrown.
ZipDirectory ReadZipDirectory(const File& archive, std::int64_t length, const std::string& baseName, ZipStatus& status);

// For each entry, how many bytes its member may take from its local header on (header, name,
// extra field and data) before it runs into the next member's local header or into the directory:
// a member that needs more overlaps another part of the archive. Entries that share a local
// header with another entry, or whose header lies within or past the directory, get no room.
std::vector<std::uint64_t> MemberRoom(const ZipDirectory& directory);

}  // namespace vorne
