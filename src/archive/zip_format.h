// The records of the zip format that Vorne reads: the end of central directory record (with the
// zip64 end record and its locator), the central directory entries and the local file headers,
// and the zip64 extra field that widens their sizes and offsets. All fields are little-endian.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vorne {

inline constexpr std::uint32_t kZipLocalHeaderSignature = 0x04034B50;  // "PK\3\4"
inline constexpr std::uint32_t kZipDirectorySignature = 0x02014B50;    // "PK\1\2"
inline constexpr std::uint32_t kZipEndSignature = 0x06054B50;          // "PK\5\6"
inline constexpr std::uint32_t kZip64EndSignature = 0x06064B50;        // "PK\6\6"
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;    // "PK\6\7"
inline constexpr std::uint32_t kZipDescriptorSignature = 0x08074B50;   // "PK\7\8"

inline constexpr std::uint16_t kZipFlagEncrypted = 1 << 0;
inline constexpr std::uint16_t kZipFlagDataDescriptor = 1 << 3;  // sizes and CRC follow the data

inline constexpr std::uint16_t kZipMethodStored = 0;
inline constexpr std::uint16_t kZipMethodDeflated = 8;

inline constexpr std::size_t kZipMaxComment = 65535;

// A 16- or 32-bit field holding all ones says that the real value stands in the zip64 extra field
// (or, for the end record, in the zip64 end record).
inline constexpr std::uint16_t kZip64Marker16 = 0xFFFF;
inline constexpr std::uint32_t kZip64Marker32 = 0xFFFFFFFF;
inline constexpr std::uint16_t kZip64ExtraId = 0x0001;

struct ZipEndRecord {
    static constexpr std::size_t kSize = 22;
    // Widened to the zip64 end record's widths; the classic record's values fit in them.
    std::uint32_t thisDisk = 0;
    std::uint32_t directoryDisk = 0;
    std::uint64_t entriesOnDisk = 0;
    std::uint64_t totalEntries = 0;
    std::uint64_t directorySize = 0;
    std::uint64_t directoryOffset = 0;
    std::uint16_t commentLength = 0;
    bool zip64 = false;  // the values come from a zip64 end record
};

// Stands just before the end record of an archive that has a zip64 end record.
struct Zip64Locator {
    static constexpr std::size_t kSize = 20;
    std::uint32_t endRecordDisk = 0;
    std::uint64_t endRecordOffset = 0;
    std::uint32_t totalDisks = 0;
};

inline constexpr std::size_t kZip64EndRecordSize = 56;  // without its extensible data

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
    // Sizes, offset and disk as the zip64 extra field widens them.
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;
    std::uint16_t commentLength = 0;
    std::uint32_t startDisk = 0;
    std::uint16_t internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    std::uint64_t localHeaderOffset = 0;
    bool zip64 = false;  // the entry carries a zip64 extra field
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
    // As written; ResolveZip64Sizes widens them from the extra field.
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;
    bool zip64 = false;  // set by ResolveZip64Sizes when the extra field has a zip64 block

    // The bytes from the header's start to its member's data.
    std::uint64_t DataOffset() const { return kSize + std::uint64_t{nameLength} + extraLength; }
};

// Decoding. The fixed parts of the end record and the local header are decoded from spans the
// caller has checked to be long enough (shorter ones decode as zeros); the others say when they
// do not fit.
ZipEndRecord DecodeEndRecord(std::span<const std::uint8_t> bytes);
ZipLocalHeader DecodeLocalHeader(std::span<const std::uint8_t> bytes);
// The locator at the start of `bytes`, or nullopt when it has no locator signature.
std::optional<Zip64Locator> DecodeZip64Locator(std::span<const std::uint8_t> bytes);
// Replaces the classic end record's values with the zip64 end record at the start of `bytes`;
// false when `bytes` does not begin with one.
bool ApplyZip64EndRecord(std::span<const std::uint8_t> bytes, ZipEndRecord& end);
// Decodes the entry at the start of `bytes`, with its name and its zip64 values; nullopt when the
// entry (fixed part, name, extra field and comment) does not lie wholly within `bytes`.
std::optional<ZipDirectoryEntry> DecodeDirectoryEntry(std::span<const std::uint8_t> bytes);
// Takes the local header's sizes that are marked as zip64 from its extra field (which stands
// after the name), and notes whether the field has a zip64 block at all.
void ResolveZip64Sizes(ZipLocalHeader& header, std::span<const std::uint8_t> extra);
// The data of the zip64 block in an extra field, if it has one.
std::optional<std::span<const std::uint8_t>> FindZip64Block(std::span<const std::uint8_t> extra);

// The offset within `tail` of the end record nearest its end: the search runs backwards from the
// last place where a whole record fits. nullopt when there is none.
std::optional<std::size_t> FindEndRecord(std::span<const std::uint8_t> tail);

// How many bytes at the end of an archive of `length` bytes can hold the end record: the record
// and the longest comment.
std::int64_t EndRecordSearchSize(std::int64_t length);

}  // namespace vorne
