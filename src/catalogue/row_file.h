// The file a list row stands for, as the scan found it. Commands take a row's file from here and
// never work it out again from the texts the row shows: '<' and '>' are ordinary characters in
// file names, so "Zelda <Beta>.nes" is a plain file, and "x.zip <y.nes>" may be one too.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vorne {

// A member of a zip archive, by the entry that lists it: members whose names differ only in case,
// or are the same, stay apart.
struct ArchiveMember {
    std::string name;                     // as stored in the archive
    std::int64_t entry = -1;              // its index in the central directory; -1 when the archive
                                          // has none and the member was found by its local header
    std::uint64_t localHeaderOffset = 0;  // where its local header begins

    bool operator==(const ArchiveMember&) const = default;
};

struct RowFile {
    // The file, or for a member the archive that holds it: relative to the chosen folder, or as
    // given when rows name their files by themselves (vorne-cli's file arguments).
    std::string path;
    std::optional<ArchiveMember> member;

    bool IsMember() const { return member.has_value(); }
    bool operator==(const RowFile&) const = default;
};

// The path of the row's file (for a member, of its archive) inside `folder`; the path alone when
// `folder` is empty or the path is absolute.
std::string PathInFolder(const std::string& folder, const std::string& path);
inline std::string RowFilePath(const std::string& folder, const RowFile& file) { return PathInFolder(folder, file.path); }

// What column 1 shows for the file: its path, or "%s <%s>" with the archive's path and the
// member's name.
std::string FilenameText(const RowFile& file);

}  // namespace vorne
