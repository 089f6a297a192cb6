// Writing zip archives for the samples, the tests and the benchmarks: stored and deflated
// members, data descriptors, folders, comments, zip64 records, archives behind a prefix, and
// archives damaged on purpose (any field of a local header, a directory entry or the end record
// written as the caller says, directory entries that point anywhere).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vorne::samples {

// Values written into one header instead of the true ones; what is left unset is true.
struct ZipFieldOverrides {
    std::optional<std::uint32_t> signature;
    std::optional<std::uint16_t> method;
    std::optional<std::uint16_t> flags;
    std::optional<std::uint32_t> crc;
    std::optional<std::uint32_t> compressedSize;
    std::optional<std::uint32_t> uncompressedSize;
    std::optional<std::string> name;
    std::vector<std::uint8_t> extra;  // the extra field
};

struct ZipMemberRecipe {
    std::string name;
    std::vector<std::uint8_t> data;
    bool deflate = false;
    bool dataDescriptor = false;  // sizes and CRC after the data, zeros in the local header
    bool descriptorSignature = true;
    std::uint16_t flags = 0;      // further flag bits (1 marks an encrypted member)
    std::uint16_t methodOverride = 0xFFFF;  // write this method number instead of the real one
    std::string comment;
    // A DEFLATE stream to store as the member's data instead of our own encoding of `data` (say,
    // one made by zlib); `deflate` is then implied.
    std::optional<std::vector<std::uint8_t>> deflated;
    ZipFieldOverrides local;      // of the local header
    ZipFieldOverrides directory;  // of the central directory entry
    std::uint8_t versionNeeded = 20;      // in the directory entry: 2.0
    std::uint8_t versionNeededUpper = 0;  // the byte above it
    std::uint16_t startDisk = 0;
    std::optional<std::uint32_t> localHeaderOffset;  // where the directory says the member starts
    // Zip64: the sizes (and in the directory the offset) written as all ones, their values in a
    // zip64 extra field, in the local header, the directory entry or both.
    bool zip64Local = false;
    bool zip64Directory = false;
    bool directoryOnly = false;  // no local header and no data, only the directory entry
};

// Values written into the end record instead of the true ones.
struct ZipEndOverrides {
    std::optional<std::uint16_t> thisDisk;
    std::optional<std::uint16_t> directoryDisk;
    std::optional<std::uint16_t> entriesOnDisk;
    std::optional<std::uint16_t> totalEntries;
    std::optional<std::uint32_t> directorySize;
    std::optional<std::uint32_t> directoryOffset;
    std::optional<std::uint16_t> commentLength;
};

// How the archive as a whole is laid out.
struct ZipLayout {
    // A zip64 end record and its locator before the end record, whose counts, size and offset
    // are then written as all ones (unless overridden).
    bool zip64End = false;
    // Bytes in front of the archive (a self-extractor's program), and whether its offsets count
    // them (as `zip -A` leaves them) or not (as the archive was, before the bytes were put in front).
    std::vector<std::uint8_t> prefix;
    bool offsetsCountPrefix = false;
};

class ZipWriter {
public:
    void Add(ZipMemberRecipe member);
    void AddFolder(const std::string& name);  // a folder entry, "name/"
    // The whole archive, with `comment` (any bytes) after the end record.
    std::vector<std::uint8_t> Finish(const std::string& comment = "", const ZipEndOverrides& end = {},
                                     const ZipLayout& layout = {}) const;

private:
    std::vector<ZipMemberRecipe> members;
};

}  // namespace vorne::samples
