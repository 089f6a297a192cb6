// The records of the zip format that Vorne reads: the end of central directory record, the
// central directory entries and the local file headers. All fields are little-endian.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vorne {

class File;

inline constexpr std::uint32_t kZipLocalHeaderSignature = 0x04034B50;  // "PK\3\4"
inline constexpr std::uint32_t kZipDirectorySignature = 0x02014B50;    // "PK\1\2"
inline constexpr std::uint32_t kZipEndSignature = 0x06054B50;          // "PK\5\6"
inline constexpr std::uint32_t kZipDescriptorSignature = 0x08074B50;   // "PK\7\8"

inline constexpr std::uint16_t kZipFlagEncrypted = 1 << 0;
inline constexpr std::uint16_t kZipFlagDataDescriptor = 1 << 3;  // sizes and CRC follow the data

inline constexpr std::uint16_t kZipMethodStored = 0;
inline constexpr std::uint16_t kZipMethodDeflated = 8;

inline constexpr std::size_t kZipMaxComment = 65535;

std::uint16_t ReadLE16(std::span<const std::uint8_t> bytes, std::size_t at);
std::uint32_t ReadLE32(std::span<const std::uint8_t> bytes, std::size_t at);

struct ZipEndRecord {
    static constexpr std::size_t kSize = 22;
    std::uint16_t thisDisk = 0;
    std::uint16_t directoryDisk = 0;
    std::uint16_t entriesOnDisk = 0;
    std::uint16_t totalEntries = 0;
    std::uint32_t directorySize = 0;
    std::uint32_t directoryOffset = 0;
    std::uint16_t commentLength = 0;
};

struct ZipDirectoryEntry {
    static constexpr std::size_t kFixedSize = 46;
    std::uint8_t versionMadeBy = 0;
    std::uint8_t hostSystem = 0;
    std::uint8_t versionNeeded = 0;       // format version needed to extract, 0x14 is 2.0
    std::uint8_t versionNeededUpper = 0;  // must be 0
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t modificationTime = 0;
    std::uint16_t modificationDate = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;
    std::uint16_t commentLength = 0;
    std::uint16_t startDisk = 0;
    std::uint16_t internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    std::uint32_t localHeaderOffset = 0;
    std::string name;

    // Bytes from the start of this entry to the start of the next.
    std::size_t RecordSize() const { return kFixedSize + nameLength + extraLength + commentLength; }
};

struct ZipLocalHeader {
    static constexpr std::size_t kSize = 30;
    std::uint32_t signature = 0;
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t modificationTime = 0;
    std::uint16_t modificationDate = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;
};

// Decoding from bytes the caller has checked to be long enough.
ZipEndRecord DecodeEndRecord(std::span<const std::uint8_t> bytes);
ZipLocalHeader DecodeLocalHeader(std::span<const std::uint8_t> bytes);
// Decodes the entry at the start of `bytes`, with its name; nullopt when the entry (fixed part,
// name, extra field and comment) does not lie wholly within `bytes`.
std::optional<ZipDirectoryEntry> DecodeDirectoryEntry(std::span<const std::uint8_t> bytes);

// The offset within `tail` of the end record nearest its end: the search runs backwards from the
// last place where a whole record fits. nullopt when there is none.
std::optional<std::size_t> FindEndRecord(std::span<const std::uint8_t> tail);

// How many bytes at the end of an archive of `length` bytes can hold the end record: the record
// and the longest comment.
std::int64_t EndRecordSearchSize(std::int64_t length);

// The end record of an open archive of `length` bytes, or nullopt when it has none. Throws
// FileError on a read error.
std::optional<ZipEndRecord> ReadEndRecord(const File& archive, std::int64_t length);

// The whole directory that `end` names, decoded in directory order (as far as entries lie wholly
// within it), or nullopt when it does not lie within the file. Throws FileError on a read error.
std::optional<std::vector<ZipDirectoryEntry>> ReadDirectoryEntries(const File& archive, std::int64_t length,
                                                                   const ZipEndRecord& end);

// Reads the whole central directory of an open archive: the entries in directory order, or
// nullopt when the end record cannot be found or the directory does not lie within the file.
// Throws FileError on a read error.
std::optional<std::vector<ZipDirectoryEntry>> ReadCentralDirectory(const File& archive);

}  // namespace vorne
