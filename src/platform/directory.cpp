#include "platform/directory.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_error.h"

namespace vorne {

Directory::~Directory() {
    if (fd >= 0) ::close(fd);
}

Directory::Directory(Directory&& other) noexcept : fd(other.fd), path(std::move(other.path)) { other.fd = -1; }

Directory& Directory::operator=(Directory&& other) noexcept {
    if (this != &other) {
        if (fd >= 0) ::close(fd);
        fd = other.fd;
        path = std::move(other.path);
        other.fd = -1;
    }
    return *this;
}

Directory Directory::Open(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throw FileError::FromErrno(path, errno);
    return Directory(fd, path);
}

Directory Directory::OpenChild(const std::string& name, const std::string& displayPath) const {
    int child = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (child < 0) throw FileError::FromErrno(displayPath, errno);
    return Directory(child, displayPath);
}

std::vector<DirectoryEntry> Directory::Entries() const {
    // fdopendir takes ownership of the descriptor it is given, so hand it a duplicate.
    int copy = ::dup(fd);
    if (copy < 0) throw FileError::FromErrno(path, errno);
    DIR* dir = ::fdopendir(copy);
    if (dir == nullptr) {
        int error = errno;
        ::close(copy);
        throw FileError::FromErrno(path, error);
    }
    ::rewinddir(dir);
    std::vector<DirectoryEntry> entries;
    errno = 0;
    while (struct dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        bool isDirectory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st;
            isDirectory = ::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back({std::string(name), isDirectory});
        errno = 0;
    }
    int error = errno;
    ::closedir(dir);
    if (error != 0) throw FileError::FromErrno(path, error);
    return entries;
}

File Directory::OpenFile(const std::string& name, const std::string& displayPath) const {
    return File::OpenRegular(fd, name.c_str(), O_RDONLY, displayPath);
}

bool HasExtension(std::string_view name, std::string_view extension) {
    auto dot = name.find_last_of('.');
    if (dot == std::string_view::npos) return false;
    std::string_view actual = name.substr(dot + 1);
    if (actual.size() != extension.size()) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (lower(actual[i]) != lower(extension[i])) return false;
    }
    return true;
}

}  // namespace vorne
