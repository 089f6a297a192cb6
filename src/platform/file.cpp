#include "platform/file.h"

#include <cerrno>
#include <climits>
#include <csignal>
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

File::File(File&& other) noexcept
    : fd(other.fd), path(std::move(other.path)), sizeWhenOpened(other.sizeWhenOpened), infoWhenOpened(other.infoWhenOpened) {
    other.fd = -1;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (fd >= 0) ::close(fd);
        fd = other.fd;
        path = std::move(other.path);
        sizeWhenOpened = other.sizeWhenOpened;
        infoWhenOpened = other.infoWhenOpened;
        other.fd = -1;
    }
    return *this;
}

File File::OpenRead(const std::string& path) { return OpenRegular(AT_FDCWD, path.c_str(), O_RDONLY, path); }

File File::OpenReadWrite(const std::string& path) { return OpenRegular(AT_FDCWD, path.c_str(), O_RDWR, path); }

File File::OpenRegular(int dirFd, const char* name, int access, const std::string& displayPath) {
    // O_NONBLOCK keeps a FIFO (or a device) from holding the open until a writer comes; the
    // descriptor is dropped unless it names a regular file. It stays set: reads and writes of a
    // regular file never wait for a writer or a reader, so it changes nothing for them. The one
    // look at the open file gives its length too, which a scan reads at once.
    int fd = ::openat(dirFd, name, access | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) ThrowErrno(displayPath);
    File file(fd, displayPath);
    struct stat st;
    if (::fstat(fd, &st) != 0) ThrowErrno(displayPath);
    if (!S_ISREG(st.st_mode)) throw FileError(displayPath, kNotRegularFile);
    file.sizeWhenOpened = st.st_size;
    file.infoWhenOpened = st;
    return file;
}

std::int64_t File::Size() const {
    struct stat st;
    if (::fstat(fd, &st) != 0) ThrowErrno(path);
    return st.st_size;
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

void File::Sync() {
    if (::fsync(fd) != 0) ThrowErrno(path);
}

void File::Close() {
    if (fd < 0) return;
    int result = ::close(fd);
    fd = -1;
    if (result != 0 && errno != EINTR) ThrowErrno(path);
}

bool IsSameFile(const std::string& a, const std::string& b) {
    struct stat first, second;
    if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0) return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    File file = File::OpenRead(path);
    std::vector<std::uint8_t> bytes;
    file.ReadAll(bytes);
    return bytes;
}

void IgnoreFileSizeSignal() {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    ::sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, nullptr);
}

std::string ExecutableDirectory() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return ".";
    return SplitPath(std::string(buffer, static_cast<std::size_t>(n))).folder;
}

FolderAndName SplitPath(const std::string& path) {
    auto slash = path.find_last_of(kPathSeparator);
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? std::string(1, kPathSeparator) : path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace vorne
