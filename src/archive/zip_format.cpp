#include "archive/zip_format.h"

#include <algorithm>

#include "platform/file.h"
#include "platform/file_error.h"

namespace vorne {

std::uint16_t ReadLE16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t ReadLE32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

ZipEndRecord DecodeEndRecord(std::span<const std::uint8_t> b) {
    ZipEndRecord r;
    r.thisDisk = ReadLE16(b, 4);
    r.directoryDisk = ReadLE16(b, 6);
    r.entriesOnDisk = ReadLE16(b, 8);
    r.totalEntries = ReadLE16(b, 10);
    r.directorySize = ReadLE32(b, 12);
    r.directoryOffset = ReadLE32(b, 16);
    r.commentLength = ReadLE16(b, 20);
    return r;
}

ZipLocalHeader DecodeLocalHeader(std::span<const std::uint8_t> b) {
    ZipLocalHeader h;
    h.signature = ReadLE32(b, 0);
    h.versionNeeded = ReadLE16(b, 4);
    h.flags = ReadLE16(b, 6);
    h.method = ReadLE16(b, 8);
    h.modificationTime = ReadLE16(b, 10);
    h.modificationDate = ReadLE16(b, 12);
    h.crc = ReadLE32(b, 14);
    h.compressedSize = ReadLE32(b, 18);
    h.uncompressedSize = ReadLE32(b, 22);
    h.nameLength = ReadLE16(b, 26);
    h.extraLength = ReadLE16(b, 28);
    return h;
}

std::optional<ZipDirectoryEntry> DecodeDirectoryEntry(std::span<const std::uint8_t> b) {
    if (b.size() < ZipDirectoryEntry::kFixedSize) return std::nullopt;
    ZipDirectoryEntry e;
    e.versionMadeBy = b[4];
    e.hostSystem = b[5];
    e.versionNeeded = b[6];
    e.versionNeededUpper = b[7];
    e.flags = ReadLE16(b, 8);
    e.method = ReadLE16(b, 10);
    e.modificationTime = ReadLE16(b, 12);
    e.modificationDate = ReadLE16(b, 14);
    e.crc = ReadLE32(b, 16);
    e.compressedSize = ReadLE32(b, 20);
    e.uncompressedSize = ReadLE32(b, 24);
    e.nameLength = ReadLE16(b, 28);
    e.extraLength = ReadLE16(b, 30);
    e.commentLength = ReadLE16(b, 32);
    e.startDisk = ReadLE16(b, 34);
    e.internalAttributes = ReadLE16(b, 36);
    e.externalAttributes = ReadLE32(b, 38);
    e.localHeaderOffset = ReadLE32(b, 42);
    if (b.size() < e.RecordSize()) return std::nullopt;
    e.name.assign(b.begin() + ZipDirectoryEntry::kFixedSize,
                  b.begin() + static_cast<std::ptrdiff_t>(ZipDirectoryEntry::kFixedSize + e.nameLength));
    return e;
}

std::optional<std::size_t> FindEndRecord(std::span<const std::uint8_t> tail) {
    if (tail.size() < ZipEndRecord::kSize) return std::nullopt;
    for (std::size_t at = tail.size() - ZipEndRecord::kSize + 1; at-- > 0;) {
        if (tail[at] == 'P' && ReadLE32(tail, at) == kZipEndSignature) return at;
    }
    return std::nullopt;
}

std::int64_t EndRecordSearchSize(std::int64_t length) {
    return std::min<std::int64_t>(length, static_cast<std::int64_t>(ZipEndRecord::kSize + kZipMaxComment));
}

std::optional<ZipEndRecord> ReadEndRecord(const File& archive, std::int64_t length) {
    // Most archives have a short comment or none, so a small read at the end finds the record;
    // only when it does not is the whole stretch read. Either way the hit nearest the end wins.
    constexpr std::int64_t kFirstRead = 4096;
    const std::int64_t searchSize = EndRecordSearchSize(length);
    std::vector<std::uint8_t> tail;
    for (std::int64_t size : {std::min(searchSize, kFirstRead), searchSize}) {
        tail.resize(static_cast<std::size_t>(size));
        if (archive.ReadAt(length - size, tail) != tail.size()) throw FileError(archive.Path(), "short read");
        if (auto at = FindEndRecord(tail)) return DecodeEndRecord(std::span(tail).subspan(*at));
        if (size == searchSize) break;
    }
    return std::nullopt;
}

std::optional<std::vector<ZipDirectoryEntry>> ReadDirectoryEntries(const File& archive, std::int64_t length,
                                                                   const ZipEndRecord& end) {
    // A size that runs past the end of the file takes no memory.
    if (std::int64_t{end.directoryOffset} + end.directorySize > length) return std::nullopt;
    std::vector<std::uint8_t> directory(end.directorySize);
    if (archive.ReadAt(end.directoryOffset, directory) != directory.size()) return std::nullopt;
    std::vector<ZipDirectoryEntry> entries;
    std::size_t offset = 0;
    for (int i = 0; i < end.totalEntries; ++i) {
        auto entry = DecodeDirectoryEntry(std::span(directory).subspan(offset));
        if (!entry) break;  // the rest does not lie wholly within the directory
        offset += entry->RecordSize();
        entries.push_back(std::move(*entry));
    }
    return entries;
}

std::optional<std::vector<ZipDirectoryEntry>> ReadCentralDirectory(const File& archive) {
    const std::int64_t length = archive.Size();
    auto end = ReadEndRecord(archive, length);
    if (!end) return std::nullopt;
    return ReadDirectoryEntries(archive, length, *end);
}

}  // namespace vorne
