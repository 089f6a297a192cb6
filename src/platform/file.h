// A file on disk, addressed by offset: the few operations the core needs.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vorne {

class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // The opens below take regular files only: anything else (a folder, a FIFO, a device) is
    // refused with FileError kNotRegularFile at once, never waited on. Links are followed.

    // Opens an existing file for reading. Throws FileError.
    static File OpenRead(const std::string& path);
    // Opens an existing file for reading and writing, never creating it. Throws FileError.
    static File OpenReadWrite(const std::string& path);
    // Opens `name` relative to `dirFd` (AT_FDCWD: the current folder) with `access` (O_RDONLY or
    // O_RDWR); `displayPath` names it in errors. Throws FileError.
    static File OpenRegular(int dirFd, const char* name, int access, const std::string& displayPath);

    bool IsOpen() const { return fd >= 0; }
    int Fd() const { return fd; }
    const std::string& Path() const { return path; }

    // Byte length of the file. Throws FileError.
    std::int64_t Size() const;
    // Its length when OpenRegular opened it (which looks at it anyway), for a caller that reads it
    // straight away; -1 for a file opened otherwise.
    std::int64_t SizeWhenOpened() const { return sizeWhenOpened; }
    // What that look saw (its device, inode and times too); valid when SizeWhenOpened() is.
    const struct stat& InfoWhenOpened() const { return infoWhenOpened; }
    // True when the open file is a regular file (not a directory or device).
    bool IsRegular() const;
    // Reads up to out.size() bytes at `offset`; fewer only at the end of the file. Throws FileError.
    std::size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> out) const;
    // Reads the whole file into `out` (resized), one read where the platform allows. Throws FileError.
    void ReadAll(std::vector<std::uint8_t>& out) const;
    // Writes all of `bytes` at `offset`. Throws FileError.
    void WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes);
    // Cuts the file to `size` bytes in place (or lengthens it with zero bytes). Throws FileError.
    void Truncate(std::int64_t size);
    // Forces what was written out to the disk. Throws FileError.
    void Sync();
    // Closes the file, reporting a failed close (a late write error) as FileError.
    void Close();

    // Takes charge of an open descriptor; `path` names it in errors.
    static File Adopt(int fd, std::string path) { return File(fd, std::move(path)); }

private:
    File(int fd, std::string path) : fd(fd), path(std::move(path)) {}

    int fd = -1;
    std::string path;
    std::int64_t sizeWhenOpened = -1;
    struct stat infoWhenOpened {};
};

// The message of the FileError for a path that names something other than a regular file.
inline constexpr const char* kNotRegularFile = "Not a regular file";

// Makes a write past the file-size limit (ulimit -f) fail with EFBIG, which the writers roll back
// and report, instead of killing the process with SIGXFSZ in the middle of it. For the process as
// a whole: call it once at start-up, before any thread starts.
void IgnoreFileSizeSignal();

// True when both paths name one existing file (the same device and inode), whatever their
// spelling: a relative path, a link, a name in another case on a file system that ignores case.
bool IsSameFile(const std::string& a, const std::string& b);

// Reads the whole file at `path`. Throws FileError.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

// The folder that holds the running executable, without a trailing separator.
std::string ExecutableDirectory();

// The platform's path separator as text.
inline constexpr char kPathSeparator = '/';

// A path cut at its last separator: the folder ("." for a bare name, the root for a name in it)
// and the name.
struct FolderAndName {
    std::string folder;
    std::string name;
};
FolderAndName SplitPath(const std::string& path);

}  // namespace vorne
