#include "archive/zip_walk.h"

#include <array>
#include <vector>

#include "archive/zip_directory.h"
#include "archive/zip_format.h"
#include "platform/file.h"

namespace vorne {

ZipMemberInfo MemberInfoOf(const ZipDirectoryEntry& entry) {
    return {entry.name, entry.crc, entry.compressedSize, entry.uncompressedSize, entry.flags, entry.method,
            entry.localHeaderOffset};
}

void WalkLocalHeaders(const File& archive, const std::function<void(const ZipMemberInfo&)>& yield) {
    std::array<std::uint8_t, ZipLocalHeader::kSize> fixed{};
    std::vector<std::uint8_t> variable;  // the name and the extra field
    std::uint64_t position = 0;
    while (true) {
        if (archive.ReadAt(static_cast<std::int64_t>(position), fixed) < fixed.size()) return;
        ZipLocalHeader header = DecodeLocalHeader(fixed);
        if (header.signature != kZipLocalHeaderSignature) return;
        variable.resize(std::size_t{header.nameLength} + header.extraLength);
        const auto variableAt = static_cast<std::int64_t>(position + ZipLocalHeader::kSize);
        if (archive.ReadAt(variableAt, variable) < variable.size()) return;  // runs past the end
        if (header.nameLength == 0 || variable[0] < 32) return;
        ResolveZip64Sizes(header, std::span(variable).subspan(header.nameLength));

        ZipMemberInfo member;
        member.name.assign(variable.begin(), variable.begin() + header.nameLength);
        member.crc = header.crc;
        member.compressedSize = header.compressedSize;
        member.uncompressedSize = header.uncompressedSize;
        member.flags = header.flags;
        member.method = header.method;
        member.localHeaderOffset = position;
        yield(member);
        if (header.flags & kZipFlagDataDescriptor) return;
        // A size beyond any file ends the walk rather than wrapping round.
        const std::uint64_t step = header.DataOffset() + header.compressedSize;
        if (step < header.compressedSize || step > static_cast<std::uint64_t>(INT64_MAX) - position) return;
        position += step;
    }
}

ZipListing ListZipMembers(const File& archive) {
    ZipListing listing;
    ZipStatus ignored;  // an archive without a readable directory is walked instead
    ZipDirectory directory = ReadZipDirectory(archive, archive.Size(), archive.Path(), ignored);
    if (directory.read) {
        listing.fromDirectory = true;
        listing.members.reserve(directory.entries.size());
        for (const ZipDirectoryEntry& entry : directory.entries) listing.members.push_back(MemberInfoOf(entry));
        return listing;
    }
    WalkLocalHeaders(archive, [&listing](const ZipMemberInfo& member) { listing.members.push_back(member); });
    return listing;
}

}  // namespace vorne
