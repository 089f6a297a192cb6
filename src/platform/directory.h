// An open folder: its entries in the order the file system returns them, and files opened
// relative to it (no path is resolved twice while a scan walks a tree).
#pragma once

#include <string>
#include <vector>

#include "platform/file.h"

namespace vorne {

struct DirectoryEntry {
    std::string name;
    bool isDirectory = false;  // a real folder; links to folders are not followed
};

class Directory {
public:
    Directory() = default;
    ~Directory();
    Directory(Directory&& other) noexcept;
    Directory& operator=(Directory&& other) noexcept;
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    // Opens the folder at `path`. Throws FileError.
    static Directory Open(const std::string& path);
    // Opens the subfolder `name`; `displayPath` names it in errors. Throws FileError.
    Directory OpenChild(const std::string& name, const std::string& displayPath) const;

    // Every entry but "." and "..", in the order the file system returns them. Throws FileError.
    std::vector<DirectoryEntry> Entries() const;
    // Opens the file `name` of this folder for reading. Throws FileError.
    File OpenFile(const std::string& name, const std::string& displayPath) const;

    int Fd() const { return fd; }

private:
    Directory(int fd, std::string path) : fd(fd), path(std::move(path)) {}

    int fd = -1;
    std::string path;
};

// True when `name` has the extension `extension` (the text after its last dot), compared
// without regard to ASCII case, the way a "*.ext" wildcard matches.
bool HasExtension(std::string_view name, std::string_view extension);

}  // namespace vorne
