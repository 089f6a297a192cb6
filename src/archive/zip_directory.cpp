#include "archive/zip_directory.h"

#include <algorithm>
#include <array>
#include <numeric>

#include "archive/field_reader.h"
#include "platform/file.h"
#include "platform/file_error.h"

namespace vorne {

namespace {

struct FoundEnd {
    ZipEndRecord record;
    std::int64_t at = 0;  // where it stands in the file
};

// Most archives have a short comment or none, so a small read at the end finds the record; only
// when it does not is the whole stretch read. Either way the hit nearest the end wins. Throws
// FileError on a read error.
std::optional<FoundEnd> FindEnd(const File& archive, std::int64_t length) {
    constexpr std::int64_t kFirstRead = 4096;
    const std::int64_t searchSize = EndRecordSearchSize(length);
    std::vector<std::uint8_t> tail;
    for (std::int64_t size : {std::min(searchSize, kFirstRead), searchSize}) {
        tail.resize(static_cast<std::size_t>(size));
        if (archive.ReadAt(length - size, tail) != tail.size()) throw FileError(archive.Path(), "short read");
        if (auto at = FindEndRecord(tail)) {
            return FoundEnd{DecodeEndRecord(std::span(tail).subspan(*at)), length - size + static_cast<std::int64_t>(*at)};
        }
        if (size == searchSize) break;
    }
    return std::nullopt;
}

// Whether the 4 bytes at `offset` of the file are `signature`. Throws FileError on a read error.
bool SignatureAt(const File& archive, std::int64_t length, std::uint64_t offset, std::uint32_t signature) {
    std::array<std::uint8_t, 4> bytes{};
    if (offset > static_cast<std::uint64_t>(length) - bytes.size() || length < 4) return false;
    if (archive.ReadAt(static_cast<std::int64_t>(offset), bytes) != bytes.size()) return false;
    return FieldReader(bytes).U32() == signature;
}

// A zip64 locator just before the end record points at the zip64 end record, whose values then
// replace the classic ones. The record is looked for where the locator says and, for an archive
// behind a prefix, just before the locator. Returns where the record stands, or -1 without one;
// sets `disks` to the locator's disk count.
std::int64_t ReadZip64End(const File& archive, std::int64_t endAt, ZipEndRecord& end, std::uint32_t& disks) {
    disks = 1;
    if (endAt < static_cast<std::int64_t>(Zip64Locator::kSize)) return -1;
    std::array<std::uint8_t, Zip64Locator::kSize> locatorBytes{};
    const std::int64_t locatorAt = endAt - static_cast<std::int64_t>(Zip64Locator::kSize);
    if (archive.ReadAt(locatorAt, locatorBytes) != locatorBytes.size()) return -1;
    auto locator = DecodeZip64Locator(locatorBytes);
    if (!locator) return -1;
    disks = locator->totalDisks;
    std::array<std::uint8_t, kZip64EndRecordSize> record{};
    const std::int64_t justBefore = locatorAt - static_cast<std::int64_t>(kZip64EndRecordSize);
    for (std::uint64_t at : {locator->endRecordOffset, static_cast<std::uint64_t>(std::max<std::int64_t>(justBefore, 0))}) {
        if (at > static_cast<std::uint64_t>(locatorAt) - record.size() || locatorAt < static_cast<std::int64_t>(record.size())) continue;
        if (archive.ReadAt(static_cast<std::int64_t>(at), record) != record.size()) continue;
        if (ApplyZip64EndRecord(record, end)) return static_cast<std::int64_t>(at);
    }
    return -1;
}

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }

}  // namespace

ZipDirectory ReadZipDirectory(const File& archive, std::int64_t length, const std::string& baseName, ZipStatus& status) {
    const char* base = baseName.c_str();
    ZipDirectory directory;
    std::int64_t endAt = 0;
    std::uint32_t disks = 1;
    std::int64_t zip64At = -1;
    try {
        auto found = FindEnd(archive, length);
        if (!found) {
            status.Say("Error in zipfile ", base, ": couldn't find 'end of central dir' signature\n");
            status.Say("Error reading 'end of central directory' in zipfile ", base, "\n");
            status.Fail(ZipResult::NoEndRecord);
            return directory;
        }
        directory.end = found->record;
        endAt = found->at;
        zip64At = ReadZip64End(archive, endAt, directory.end, disks);
    } catch (const FileError&) {
        status.Say("Error in zipfile ", base, ": couldn't read ", EndRecordSearchSize(length), " bytes from end of file\n");
        status.Say("Error reading 'end of central directory' in zipfile ", base, "\n");
        status.Fail(ZipResult::Failed);
        return directory;
    }
    ZipEndRecord& end = directory.end;
    if (end.thisDisk != end.directoryDisk || end.entriesOnDisk != end.totalEntries || disks > 1) {
        status.Say("Unsupported zipfile ", base, ": zipfile cannot span disks\n");
        status.Fail(ZipResult::Failed);
        return directory;
    }
    directory.endFound = true;
    // The count alone does not make an archive empty: it wraps to 0 at 65,536 members.
    if (end.totalEntries == 0 && end.directorySize == 0) {
        directory.read = true;  // an empty archive: nothing more to read
        return directory;
    }

    try {
        // The directory ends where the end records begin. When it ends earlier than its offset and
        // size say, the archive stands behind a prefix its offsets do not count, provided the
        // directory is found there and not where the offset alone points.
        const std::uint64_t endsAt = static_cast<std::uint64_t>(zip64At >= 0 ? zip64At : endAt);
        const std::uint64_t claimedEnd = SaturatingAdd(end.directoryOffset, end.directorySize);
        if (claimedEnd < endsAt) {
            const std::uint64_t prefix = endsAt - claimedEnd;
            if (!SignatureAt(archive, length, end.directoryOffset, kZipDirectorySignature) &&
                SignatureAt(archive, length, end.directoryOffset + prefix, kZipDirectorySignature)) {
                directory.prefix = prefix;
            }
        }
        directory.start = SaturatingAdd(end.directoryOffset, directory.prefix);
        if (directory.start > static_cast<std::uint64_t>(length)) {
            status.Say("Error in zipfile ", base, ": couldn't fseek to start of central directory\n");
            status.Fail(ZipResult::Failed);
            return directory;
        }
        // A size that runs past the end of the file takes no memory.
        std::vector<std::uint8_t> bytes;
        if (end.directorySize <= static_cast<std::uint64_t>(length) - directory.start) {
            bytes.resize(static_cast<std::size_t>(end.directorySize));
        }
        if (bytes.size() != end.directorySize ||
            archive.ReadAt(static_cast<std::int64_t>(directory.start), bytes) != bytes.size()) {
            status.Say("Error in zipfile ", base, ": couldn't read ", end.directorySize, " bytes from central directory\n");
            status.Fail(ZipResult::Failed);
            return directory;
        }
        // The entries are walked through the directory's bytes, not counted: the end record's
        // 16-bit count wraps in an archive of more than 65,535 members written without zip64. The
        // walk ends with the directory, or at a record that is no entry or does not lie wholly
        // within it.
        std::span<const std::uint8_t> rest(bytes);
        while (rest.size() >= ZipDirectoryEntry::kFixedSize && FieldReader(rest).U32() == kZipDirectorySignature) {
            auto entry = DecodeDirectoryEntry(rest);
            if (!entry) break;
            rest = rest.subspan(entry->RecordSize());
            entry->localHeaderOffset = SaturatingAdd(entry->localHeaderOffset, directory.prefix);
            directory.entries.push_back(std::move(*entry));
        }
    } catch (const FileError&) {
        status.Say("Error in zipfile ", base, ": couldn't read ", end.directorySize, " bytes from central directory\n");
        status.Fail(ZipResult::Failed);
        return directory;
    }
    directory.read = true;
    return directory;
}

std::vector<std::uint64_t> MemberRoom(const ZipDirectory& directory) {
    const auto& entries = directory.entries;
    std::vector<std::size_t> order(entries.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return entries[a].localHeaderOffset < entries[b].localHeaderOffset;
    });
    std::vector<std::uint64_t> room(entries.size(), 0);
    for (std::size_t k = 0; k < order.size(); ++k) {
        const std::uint64_t at = entries[order[k]].localHeaderOffset;
        const bool sharedWithPrevious = k > 0 && entries[order[k - 1]].localHeaderOffset == at;
        const bool sharedWithNext = k + 1 < order.size() && entries[order[k + 1]].localHeaderOffset == at;
        if (sharedWithPrevious || sharedWithNext || at >= directory.start) continue;
        const std::uint64_t next = k + 1 < order.size() ? std::min(entries[order[k + 1]].localHeaderOffset, directory.start)
                                                        : directory.start;
        room[order[k]] = next - at;
    }
    return room;
}

}  // namespace vorne
