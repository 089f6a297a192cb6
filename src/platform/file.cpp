#include "platform/file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_error.h"

namespace vorne {

namespace {

[[noreturn]] void ThrowErrno(const std::string& path) {
    throw FileError::FromErrno(path, errno);
}

}  // namespace

File::~File() {
    if (fd >= 0) ::close(fd);
}

File::File(File&& other) noexcept : fd(other.fd), path(std::move(other.path)) { other.fd = -1; }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (fd >= 0) ::close(fd);
        fd = other.fd;
        path = std::move(other.path);
        other.fd = -1;
    }
    return *this;
}

File File::OpenRead(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) ThrowErrno(path);
    return File(fd, path);
}

File File::OpenReadWrite(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) ThrowErrno(path);
    File file(fd, path);
    if (!file.IsRegular()) throw FileError(path, "Not a regular file");
    return file;
}

File File::OpenReadAt(int dirFd, const char* name, const std::string& displayPath) {
    int fd = ::openat(dirFd, name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) ThrowErrno(displayPath);
    return File(fd, displayPath);
}

std::int64_t File::Size() const {
    struct stat st;
    if (::fstat(fd, &st) != 0) ThrowErrno(path);
    return st.st_size;
}

std::int64_t File::RegularFileSize() const {
    struct stat st;
    if (::fstat(fd, &st) != 0) ThrowErrno(path);
    return S_ISREG(st.st_mode) ? st.st_size : -1;
}

bool File::IsRegular() const {
    struct stat st;
    if (::fstat(fd, &st) != 0) ThrowErrno(path);
    return S_ISREG(st.st_mode);
}

std::size_t File::ReadAt(std::int64_t offset, std::span<std::uint8_t> out) const {
    std::size_t done = 0;
    while (done < out.size()) {
        ssize_t got = ::pread(fd, out.data() + done, out.size() - done, offset + static_cast<std::int64_t>(done));
        if (got < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(path);
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void File::ReadAll(std::vector<std::uint8_t>& out) const {
    std::int64_t size = Size();
    out.resize(static_cast<std::size_t>(size));
    std::size_t got = ReadAt(0, out);
    out.resize(got);  // the file shrank while we read: keep what is there
}

void File::WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = ::pwrite(fd, bytes.data() + done, bytes.size() - done, offset + static_cast<std::int64_t>(done));
        if (put < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(path);
        }
        done += static_cast<std::size_t>(put);
    }
}

void File::Truncate(std::int64_t size) {
    if (::ftruncate(fd, size) != 0) ThrowErrno(path);
}

void File::Close() {
    if (fd < 0) return;
    int result = ::close(fd);
    fd = -1;
    if (result != 0 && errno != EINTR) ThrowErrno(path);
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    File file = File::OpenRead(path);
    std::vector<std::uint8_t> bytes;
    file.ReadAll(bytes);
    return bytes;
}

namespace {

// Writes `bytes` to a temporary file beside `path` and renames it over `path`. `mode` and the
// owner are given to the new file when `original` is set.
void WriteThroughTemporary(const std::string& path, std::span<const std::uint8_t> bytes, const struct stat* original) {
    // The temporary file lives beside the original so that the rename stays on one file system.
    std::string folder = ".";
    std::string base = path;
    if (auto slash = path.find_last_of('/'); slash != std::string::npos) {
        folder = slash == 0 ? "/" : path.substr(0, slash);
        base = path.substr(slash + 1);
    }
    std::string pattern = folder + "/." + base + ".vorne-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) ThrowErrno(path);
    std::string tempPath(name.data());

    auto fail = [&](int error) {
        ::close(fd);
        ::unlink(tempPath.c_str());
        throw FileError::FromErrno(path, error);
    };
    if (original != nullptr) {
        if (::fchmod(fd, original->st_mode & 07777) != 0) fail(errno);
        // Keep the owner where we may (as root, or a group we belong to); a refusal is no error.
        [[maybe_unused]] int ignored = ::fchown(fd, original->st_uid, original->st_gid);
    } else {
        // mkstemp makes the file private; a new file gets what the umask allows.
        mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(fd, 0666 & ~mask) != 0) fail(errno);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        done += static_cast<std::size_t>(put);
    }
    if (::fsync(fd) != 0) fail(errno);
    if (::close(fd) != 0) {
        int error = errno;
        ::unlink(tempPath.c_str());
        throw FileError::FromErrno(path, error);
    }
    if (::rename(tempPath.c_str(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(tempPath.c_str());
        throw FileError::FromErrno(path, error);
    }
}

// The file a path names, links followed: the rename then replaces that file, and a link to it
// stays a link.
std::string FollowLinks(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return path;
    return resolved;
}

// Errors name the path the caller gave, not the file a link led to.
void WriteThroughTemporaryAs(const std::string& path, std::span<const std::uint8_t> bytes, const struct stat* original) {
    try {
        WriteThroughTemporary(original != nullptr ? FollowLinks(path) : path, bytes, original);
    } catch (const FileError& e) {
        if (e.Path() == path) throw;
        throw FileError(path, e.Message());
    }
}

}  // namespace

void ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes) {
    struct stat original;
    if (::stat(path.c_str(), &original) != 0) ThrowErrno(path);
    if (!S_ISREG(original.st_mode)) throw FileError(path, "Not a regular file");
    WriteThroughTemporaryAs(path, bytes, &original);
}

void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    struct stat original;
    if (::stat(path.c_str(), &original) == 0) {
        if (!S_ISREG(original.st_mode)) throw FileError(path, "Not a regular file");
        WriteThroughTemporaryAs(path, bytes, &original);
    } else if (errno == ENOENT) {
        WriteThroughTemporaryAs(path, bytes, nullptr);
    } else {
        ThrowErrno(path);
    }
}

std::string ExecutableDirectory() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return ".";
    std::string exe(buffer, static_cast<std::size_t>(n));
    auto slash = exe.find_last_of('/');
    return slash == std::string::npos ? "." : exe.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace vorne
