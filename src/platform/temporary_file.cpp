#include "platform/temporary_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <unistd.h>

#include "platform/file_error.h"

namespace vorne {

namespace {

// The name stays this short whatever the final name's length, so that a final name of the
// longest length the folder allows can still be written.
std::string ShortName() {
    static constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, kLetters.size() - 1);
    std::string name = ".vorne-";
    for (int i = 0; i < 6; ++i) name += kLetters[pick(random)];
    return name;
}

// Tries short names until one is free (or the failure is of another kind); `make` returns 0 or an
// errno value for one name.
template <typename Make>
std::string WithFreeName(const std::string& displayPath, const char* doing, Make make) {
    constexpr int kAttempts = 100;
    int error = EEXIST;
    for (int attempt = 0; attempt < kAttempts && error == EEXIST; ++attempt) {
        std::string name = ShortName();
        error = make(name);
        if (error == 0) return name;
    }
    throw FileError(displayPath, std::string(doing) + ": " + ErrnoText(error));
}

constexpr const char* kCannotCreate = "cannot make a temporary file in its folder";

// Where the descriptor of an unnamed file can be linked from without privileges.
bool CanLinkUnnamed() { return ::access("/proc/self/fd", X_OK) == 0; }

bool UnnamedUnsupported(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

}  // namespace

TemporaryFile TemporaryFile::Create(int dirFd, const std::string& displayPath, mode_t mode, Naming naming) {
    if (naming == Naming::Unnamed && CanLinkUnnamed()) {
        int fd = ::openat(dirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
        if (fd >= 0) return TemporaryFile(dirFd, File::Adopt(fd, displayPath), {});
        if (!UnnamedUnsupported(errno)) throw FileError(displayPath, std::string(kCannotCreate) + ": " + ErrnoText(errno));
    }
    int fd = -1;
    std::string name = WithFreeName(displayPath, kCannotCreate, [&](const std::string& candidate) {
        fd = ::openat(dirFd, candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        return fd >= 0 ? 0 : errno;
    });
    return TemporaryFile(dirFd, File::Adopt(fd, displayPath), std::move(name));
}

TemporaryFile::~TemporaryFile() {
    if (!tempName.empty()) ::unlinkat(dirFd, tempName.c_str(), 0);
}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : dirFd(other.dirFd),
      file(std::move(other.file)),
      tempName(std::move(other.tempName)) {
    other.tempName.clear();
}

void TemporaryFile::PlaceAsNew(const std::string& name) {
    if (tempName.empty()) {
        // A link never replaces a name.
        const std::string source = "/proc/self/fd/" + std::to_string(file.Fd());
        if (::linkat(AT_FDCWD, source.c_str(), dirFd, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            throw FileError::FromErrno(file.Path(), errno);
        }
        return;
    }
    if (::renameat2(dirFd, tempName.c_str(), dirFd, name.c_str(), RENAME_NOREPLACE) == 0) {
        tempName.clear();
        return;
    }
    if (errno != EINVAL && errno != ENOSYS) throw FileError::FromErrno(file.Path(), errno);
    // A file system without the no-replace rename: a link under the final name, then the short
    // name goes.
    if (::linkat(dirFd, tempName.c_str(), dirFd, name.c_str(), 0) != 0) throw FileError::FromErrno(file.Path(), errno);
    ::unlinkat(dirFd, tempName.c_str(), 0);
    tempName.clear();
}

void TemporaryFile::PlaceAs(const std::string& name) {
    if (tempName.empty()) {
        // A link cannot replace an existing name, so the file is linked under a short free name
        // first and renamed over the final one from there.
        const std::string source = "/proc/self/fd/" + std::to_string(file.Fd());
        tempName = WithFreeName(file.Path(), "cannot give the new file a name", [&](const std::string& candidate) {
            if (::linkat(AT_FDCWD, source.c_str(), dirFd, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
            return errno;
        });
    }
    if (::renameat(dirFd, tempName.c_str(), dirFd, name.c_str()) != 0) {
        throw FileError::FromErrno(file.Path(), errno);  // the destructor removes the temporary name
    }
    tempName.clear();
}

}  // namespace vorne
