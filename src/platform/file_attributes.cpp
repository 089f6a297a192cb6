#include "platform/file_attributes.h"

#include <cerrno>
#include <cstring>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

#include "platform/file_error.h"

namespace vorne {

namespace {

constexpr mode_t kModeBits = 07777;  // permissions with setuid, setgid and sticky

[[noreturn]] void CannotKeep(const std::string& displayPath, const std::string& what, int error) {
    throw FileError(displayPath, "cannot keep " + what + " in the rewritten file: " + ErrnoText(error));
}

// Reads through a call that takes a buffer and its size and returns the length, or -1 with errno
// (ERANGE when the value grew between asking for its size and reading it).
template <typename Call>
bool ReadSized(std::vector<char>& out, Call call) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        ssize_t size = call(nullptr, 0);
        if (size < 0) return false;
        out.resize(static_cast<std::size_t>(size));
        if (size == 0) return true;
        ssize_t got = call(out.data(), out.size());
        if (got >= 0) {
            out.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE) return false;
    }
    errno = ERANGE;
    return false;
}

void KeepExtendedAttributes(int from, int to, const std::string& displayPath) {
    std::vector<char> names;
    if (!ReadSized(names, [from](char* buffer, std::size_t size) { return ::flistxattr(from, buffer, size); })) {
        if (errno == ENOTSUP) return;  // a file system without them: there are none to keep
        CannotKeep(displayPath, "the extended attributes", errno);
    }
    std::vector<char> value;
    std::vector<char> present;
    for (std::size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1) {
        const char* name = names.data() + at;
        if (!ReadSized(value, [&](char* buffer, std::size_t size) { return ::fgetxattr(from, name, buffer, size); })) {
            if (errno == ENODATA) continue;  // removed since the list was read
            CannotKeep(displayPath, std::string("the extended attribute ") + name, errno);
        }
        // The new file may have been given the same value already (a security label from its
        // folder, say), which an unprivileged user could not set again.
        if (ReadSized(present, [&](char* buffer, std::size_t size) { return ::fgetxattr(to, name, buffer, size); }) &&
            present == value) {
            continue;
        }
        if (::fsetxattr(to, name, value.data(), value.size(), 0) != 0) {
            CannotKeep(displayPath, std::string("the extended attribute ") + name, errno);
        }
    }
}

}  // namespace

void KeepAttributes(const File& original, const struct stat& was, File& copy, const std::string& displayPath) {
    struct stat now;
    if (::fstat(copy.Fd(), &now) != 0) throw FileError::FromErrno(displayPath, errno);
    // Only a change is asked for: a user may always keep a file as their own, but may not hand
    // one to anyone else (nor to a group they are not in).
    if ((now.st_uid != was.st_uid || now.st_gid != was.st_gid) && ::fchown(copy.Fd(), was.st_uid, was.st_gid) != 0) {
        CannotKeep(displayPath, "the file's owner and group", errno);
    }
    if (::fchmod(copy.Fd(), was.st_mode & kModeBits) != 0) CannotKeep(displayPath, "the file's mode", errno);
    KeepExtendedAttributes(original.Fd(), copy.Fd(), displayPath);
    // The system may drop what it does not allow without a word (setgid for a group the user is
    // not in, for one), and an access list set just now rewrites the permission bits: look again.
    if (::fstat(copy.Fd(), &now) != 0) throw FileError::FromErrno(displayPath, errno);
    if (now.st_uid != was.st_uid || now.st_gid != was.st_gid || (now.st_mode & kModeBits) != (was.st_mode & kModeBits)) {
        CannotKeep(displayPath, "the file's owner, group and mode", EPERM);
    }
}

}  // namespace vorne
