#include "archive/zip_walk.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "archive/zip_format.h"
#include "platform/file.h"

namespace vorne {

namespace {

// The central directory, read only when a member needs it, ordered by local header offset.
class DirectoryIndex {
public:
    explicit DirectoryIndex(const File& archive) : archive(archive) {}

    const ZipDirectoryEntry* EntryAt(std::int64_t offset) {
        Load();
        auto it = Find(offset);
        return it != entries.end() && it->localHeaderOffset == offset ? &*it : nullptr;
    }

    // The local header offset of the first member after `offset`, if the directory names one.
    std::optional<std::int64_t> NextAfter(std::int64_t offset) {
        Load();
        auto it = std::upper_bound(entries.begin(), entries.end(), offset,
                                   [](std::int64_t o, const ZipDirectoryEntry& e) { return o < e.localHeaderOffset; });
        if (it == entries.end()) return std::nullopt;
        return it->localHeaderOffset;
    }

private:
    void Load() {
        if (loaded) return;
        loaded = true;
        if (auto read = ReadCentralDirectory(archive)) entries = std::move(*read);
        std::stable_sort(entries.begin(), entries.end(),
                         [](const auto& a, const auto& b) { return a.localHeaderOffset < b.localHeaderOffset; });
    }

    std::vector<ZipDirectoryEntry>::iterator Find(std::int64_t offset) {
        return std::lower_bound(entries.begin(), entries.end(), offset,
                                [](const ZipDirectoryEntry& e, std::int64_t o) { return e.localHeaderOffset < o; });
    }

    const File& archive;
    bool loaded = false;
    std::vector<ZipDirectoryEntry> entries;
};

}  // namespace

void WalkLocalHeaders(const File& archive, int nameLimit, const std::function<void(const ZipMemberInfo&)>& yield) {
    DirectoryIndex directory(archive);
    // One read takes the fixed header and the longest name a walk accepts.
    std::vector<std::uint8_t> buffer(ZipLocalHeader::kSize + static_cast<std::size_t>(nameLimit));
    std::int64_t position = 0;
    while (true) {
        std::size_t got = archive.ReadAt(position, buffer);
        if (got < ZipLocalHeader::kSize) return;
        ZipLocalHeader header = DecodeLocalHeader(buffer);
        if (header.signature != kZipLocalHeaderSignature) return;
        if (header.nameLength > nameLimit) return;
        if (got < ZipLocalHeader::kSize + header.nameLength) return;  // the name runs past the end
        if (header.nameLength == 0 || static_cast<std::int8_t>(buffer[ZipLocalHeader::kSize]) < 32) return;

        ZipMemberInfo member;
        member.name.assign(buffer.begin() + ZipLocalHeader::kSize,
                           buffer.begin() + static_cast<std::ptrdiff_t>(ZipLocalHeader::kSize + header.nameLength));
        member.crc = header.crc;
        member.compressedSize = header.compressedSize;
        member.uncompressedSize = header.uncompressedSize;
        member.flags = header.flags;
        member.method = header.method;
        member.localHeaderOffset = position;

        if (header.flags & kZipFlagDataDescriptor) {
            // The local header may hold zeros; the directory has the real values. Without a
            // directory entry the data's end is unknown, so the walk cannot go on past it.
            const ZipDirectoryEntry* entry = directory.EntryAt(position);
            if (entry == nullptr) {
                yield(member);
                return;
            }
            member.crc = entry->crc;
            member.compressedSize = entry->compressedSize;
            member.uncompressedSize = entry->uncompressedSize;
            yield(member);
            auto next = directory.NextAfter(position);
            if (!next) return;
            position = *next;
            continue;
        }
        yield(member);
        position += static_cast<std::int64_t>(ZipLocalHeader::kSize) + header.nameLength + header.extraLength +
                    header.compressedSize;
    }
}

}  // namespace vorne
