// A file on disk, addressed by offset: the few operations the core needs.
#pragma once

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

    // Opens an existing file for reading. Throws FileError.
    static File OpenRead(const std::string& path);
    // Opens an existing file for reading and writing, never creating it. Throws FileError.
    static File OpenReadWrite(const std::string& path);
    // Opens `name` inside the open directory `dirFd`; `displayPath` names it in errors.
    static File OpenReadAt(int dirFd, const char* name, const std::string& displayPath);

    bool IsOpen() const { return fd >= 0; }
    const std::string& Path() const { return path; }

    // Byte length of the file. Throws FileError.
    std::int64_t Size() const;
    // True when the open file is a regular file (not a directory or device).
    bool IsRegular() const;
    // Both at once: the length of a regular file, or -1 for anything else. Throws FileError.
    std::int64_t RegularFileSize() const;
    // Reads up to out.size() bytes at `offset`; fewer only at the end of the file. Throws FileError.
    std::size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> out) const;
    // Reads the whole file into `out` (resized), one read where the platform allows. Throws FileError.
    void ReadAll(std::vector<std::uint8_t>& out) const;
    // Writes all of `bytes` at `offset`. Throws FileError.
    void WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes);
    // Cuts the file to `size` bytes (to undo a failed append). Throws FileError.
    void Truncate(std::int64_t size);
    // Closes the file, reporting a failed close (a late write error) as FileError.
    void Close();

private:
    File(int fd, std::string path) : fd(fd), path(std::move(path)) {}

    int fd = -1;
    std::string path;
};

// Reads the whole file at `path`. Throws FileError.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

// Replaces the contents of the existing file `path` with `bytes` without ever leaving it
// half-written: the bytes go to a temporary file in the same folder, which takes the original's
// permissions and is renamed over it. On failure the original is untouched and FileError is thrown.
void ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes);

// Writes `bytes` as the file `path`, new or not, the same way: a temporary file in the same
// folder renamed over it. A new file gets the usual permissions for new files.
void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// The folder that holds the running executable, without a trailing separator.
std::string ExecutableDirectory();

// The platform's path separator as text.
inline constexpr char kPathSeparator = '/';

}  // namespace vorne
