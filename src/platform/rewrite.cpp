#include "platform/rewrite.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/directory.h"
#include "platform/file_attributes.h"
#include "platform/file_error.h"
#include "platform/temporary_file.h"

namespace vorne {

namespace {

constexpr std::size_t kCopyChunk = std::size_t{4} << 20;
constexpr std::int64_t kLeastCopyChunk = 64 * 1024;

constexpr mode_t kPrivateMode = 0600;  // until the original's mode is given
constexpr mode_t kPermissionBits = 0777;

bool SameContentTimes(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// The file a path names, links followed: the rename then replaces that file, and a link to it
// stays a link.
std::string FollowLinks(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) throw FileError::FromErrno(path, errno);
    return resolved;
}

// Errors name the path the caller gave, not the file a link led to.
template <typename Work>
void NamingErrorsAs(const std::string& path, Work work) {
    try {
        work();
    } catch (const FileError& e) {
        if (e.Path() == path) throw;
        throw FileError(path, e.Message());
    }
}

// The rename is safe on disk only once the folder is: a failure here comes after the file is
// already in place, so it is not reported as a failed rewrite.
void SyncFolder(const Directory& folder) { [[maybe_unused]] int ignored = ::fsync(folder.Fd()); }

// Makes a new file in a temporary file and puts it in place with `place`.
void WriteNew(const std::string& path, const OutputProducer& produce, mode_t mode,
              void (TemporaryFile::*place)(const std::string&)) {
    NamingErrorsAs(path, [&] {
        const auto [folderPath, name] = SplitPath(path);
        Directory folder = Directory::Open(folderPath);
        TemporaryFile temp = TemporaryFile::Create(folder.Fd(), path, mode & kPermissionBits);
        RewriteOutput out(temp.Output());
        produce(out);
        temp.Output().Sync();
        (temp.*place)(name);
        SyncFolder(folder);
    });
}

}  // namespace

void RewriteOutput::Write(std::span<const std::uint8_t> bytes) {
    out.WriteAt(position, bytes);
    position += static_cast<std::int64_t>(bytes.size());
}

void RewriteOutput::WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return;
    out.WriteAt(offset, bytes);
    position = std::max(position, offset + static_cast<std::int64_t>(bytes.size()));
}

std::int64_t RewriteOutput::CopyRest(const File& from, std::int64_t offset) {
    // No more memory than the rest needs (fresh pages cost more than the copy): a file that grows
    // meanwhile is still copied to its end, a buffer at a time.
    buffer.resize(static_cast<std::size_t>(std::clamp<std::int64_t>(from.Size() - offset, kLeastCopyChunk, static_cast<std::int64_t>(kCopyChunk))));
    std::int64_t copied = 0;
    while (std::size_t got = from.ReadAt(offset + copied, buffer)) {
        Write(std::span(buffer).first(got));
        copied += static_cast<std::int64_t>(got);
    }
    return copied;
}

void RewriteFile(const std::string& path, const RewriteProducer& produce) {
    NamingErrorsAs(path, [&] {
        const std::string target = FollowLinks(path);
        const auto [folderPath, name] = SplitPath(target);
        Directory folder = Directory::Open(folderPath);
        File original = File::OpenRegular(folder.Fd(), name.c_str(), O_RDWR, path);
        struct stat was;
        if (::fstat(original.Fd(), &was) != 0) throw FileError::FromErrno(path, errno);
        // A rename would part the names of a hard-linked file: the other names would keep the old
        // bytes. Writing the new bytes back into the shared file instead would keep them joined,
        // but that copy cannot be undone: a kill, a full disk or a size limit in the middle of it
        // leaves every name holding a half-rewritten file. So such a file is left as it is, and
        // the user decides.
        if (was.st_nlink > 1) {
            throw FileError(path, "has " + std::to_string(was.st_nlink) +
                                      " hard links, which a rewrite would part; it is left as it is");
        }
        TemporaryFile temp = TemporaryFile::Create(folder.Fd(), path, kPrivateMode);
        RewriteOutput out(temp.Output());
        produce(original, out);
        KeepAttributes(original, was, temp.Output(), path);
        temp.Output().Sync();
        // The name must still lead to the file that was read.
        struct stat now;
        if (::fstatat(folder.Fd(), name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) throw FileError::FromErrno(path, errno);
        if (now.st_dev != was.st_dev || now.st_ino != was.st_ino) {
            throw FileError(path, "was replaced by another file while it was rewritten; it is left as it is");
        }
        // And that file must hold what was copied: a write by another program meanwhile would be
        // lost with the rename.
        if (::fstat(original.Fd(), &now) != 0) throw FileError::FromErrno(path, errno);
        if (!SameContentTimes(now, was)) {
            throw FileError(path, "was changed by another program while it was rewritten; it is left as it is");
        }
        temp.PlaceAs(name);
        SyncFolder(folder);
    });
}

void ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes) {
    RewriteFile(path, [bytes](const File&, RewriteOutput& out) { out.Write(bytes); });
}

mode_t PermissionBitsOf(const File& source) {
    struct stat st;
    if (::fstat(source.Fd(), &st) != 0) throw FileError::FromErrno(source.Path(), errno);
    return st.st_mode & kPermissionBits;
}

void WriteFileAtomically(const std::string& path, const OutputProducer& produce, mode_t mode) {
    struct stat existing;
    if (::stat(path.c_str(), &existing) == 0) {
        return RewriteFile(path, [&produce](const File&, RewriteOutput& out) { produce(out); });
    }
    if (errno != ENOENT) throw FileError::FromErrno(path, errno);
    WriteNew(path, produce, mode, &TemporaryFile::PlaceAs);
}

void WriteNewFile(const std::string& path, const OutputProducer& produce, mode_t mode) {
    WriteNew(path, produce, mode, &TemporaryFile::PlaceAsNew);
}

void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes, mode_t mode) {
    WriteFileAtomically(path, [bytes](RewriteOutput& out) { out.Write(bytes); }, mode);
}

}  // namespace vorne
