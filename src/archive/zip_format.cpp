#include "archive/zip_format.h"

#include <algorithm>

#include "archive/field_reader.h"

namespace vorne {

ZipEndRecord DecodeEndRecord(std::span<const std::uint8_t> bytes) {
    FieldReader r(bytes);
    r.Skip(4);  // signature
    ZipEndRecord end;
    end.thisDisk = r.U16();
    end.directoryDisk = r.U16();
    end.entriesOnDisk = r.U16();
    end.totalEntries = r.U16();
    end.directorySize = r.U32();
    end.directoryOffset = r.U32();
    end.commentLength = r.U16();
    return end;
}

ZipLocalHeader DecodeLocalHeader(std::span<const std::uint8_t> bytes) {
    FieldReader r(bytes);
    ZipLocalHeader h;
    h.signature = r.U32();
    h.versionNeeded = r.U16();
    h.flags = r.U16();
    h.method = r.U16();
    h.modificationTime = r.U16();
    h.modificationDate = r.U16();
    h.crc = r.U32();
    h.compressedSize = r.U32();
    h.uncompressedSize = r.U32();
    h.nameLength = r.U16();
    h.extraLength = r.U16();
    return h;
}

std::optional<Zip64Locator> DecodeZip64Locator(std::span<const std::uint8_t> bytes) {
    FieldReader r(bytes);
    if (r.U32() != kZip64LocatorSignature) return std::nullopt;
    Zip64Locator locator;
    locator.endRecordDisk = r.U32();
    locator.endRecordOffset = r.U64();
    locator.totalDisks = r.U32();
    if (!r.Ok()) return std::nullopt;
    return locator;
}

bool ApplyZip64EndRecord(std::span<const std::uint8_t> bytes, ZipEndRecord& end) {
    FieldReader r(bytes);
    if (r.U32() != kZip64EndSignature) return false;
    r.Skip(8 + 2 + 2);  // record size, version made by, version needed
    ZipEndRecord wide = end;
    wide.thisDisk = r.U32();
    wide.directoryDisk = r.U32();
    wide.entriesOnDisk = r.U64();
    wide.totalEntries = r.U64();
    wide.directorySize = r.U64();
    wide.directoryOffset = r.U64();
    wide.zip64 = true;
    if (!r.Ok()) return false;
    end = wide;
    return true;
}

std::optional<std::span<const std::uint8_t>> FindZip64Block(std::span<const std::uint8_t> extra) {
    FieldReader r(extra);
    while (r.Left() >= 4) {
        const std::uint16_t id = r.U16();
        const std::uint16_t size = r.U16();
        auto data = r.Bytes(size);
        if (!r.Ok()) break;  // a block that runs past the field ends the search
        if (id == kZip64ExtraId) return data;
    }
    return std::nullopt;
}

namespace {

// The zip64 block holds, in this order, only the values whose own field is marked: the
// uncompressed size, the compressed size, the local header offset and the start disk. A value
// the block is too short for keeps its marker.
void TakeWide(FieldReader& block, std::uint64_t& value) {
    if (value != kZip64Marker32) return;
    const std::uint64_t wide = block.U64();
    if (block.Ok()) value = wide;
}

}  // namespace

std::optional<ZipDirectoryEntry> DecodeDirectoryEntry(std::span<const std::uint8_t> bytes) {
    FieldReader r(bytes);
    ZipDirectoryEntry e;
    r.Skip(4);  // signature, not tested
    e.versionMadeBy = r.U8();
    e.hostSystem = r.U8();
    e.versionNeeded = r.U8();
    e.versionNeededUpper = r.U8();
    e.flags = r.U16();
    e.method = r.U16();
    e.modificationTime = r.U16();
    e.modificationDate = r.U16();
    e.crc = r.U32();
    e.compressedSize = r.U32();
    e.uncompressedSize = r.U32();
    e.nameLength = r.U16();
    e.extraLength = r.U16();
    e.commentLength = r.U16();
    e.startDisk = r.U16();
    e.internalAttributes = r.U16();
    e.externalAttributes = r.U32();
    e.localHeaderOffset = r.U32();
    e.name = r.Text(e.nameLength);
    auto extra = r.Bytes(e.extraLength);
    r.Skip(e.commentLength);
    if (!r.Ok()) return std::nullopt;

    if (auto block = FindZip64Block(extra)) {
        e.zip64 = true;
        FieldReader wide(*block);
        TakeWide(wide, e.uncompressedSize);
        TakeWide(wide, e.compressedSize);
        TakeWide(wide, e.localHeaderOffset);
        if (e.startDisk == kZip64Marker16) {
            const std::uint32_t disk = wide.U32();
            if (wide.Ok()) e.startDisk = disk;
        }
    }
    return e;
}

void ResolveZip64Sizes(ZipLocalHeader& header, std::span<const std::uint8_t> extra) {
    auto block = FindZip64Block(extra);
    header.zip64 = block.has_value();
    if (!block) return;
    FieldReader wide(*block);
    TakeWide(wide, header.uncompressedSize);
    TakeWide(wide, header.compressedSize);
}

std::optional<std::size_t> FindEndRecord(std::span<const std::uint8_t> tail) {
    if (tail.size() < ZipEndRecord::kSize) return std::nullopt;
    for (std::size_t at = tail.size() - ZipEndRecord::kSize + 1; at-- > 0;) {
        if (tail[at] == 'P' && FieldReader(tail.subspan(at)).U32() == kZipEndSignature) return at;
    }
    return std::nullopt;
}

std::int64_t EndRecordSearchSize(std::int64_t length) {
    return std::min<std::int64_t>(length, static_cast<std::int64_t>(ZipEndRecord::kSize + kZipMaxComment));
}

}  // namespace vorne
