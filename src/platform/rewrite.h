// Rewrites that move bytes, and new output files: both are finished in a temporary file in the
// target's folder and then renamed into place, so the target is whole, old or new, at any moment.
// (Cutting bytes off the end needs none of this: File::Truncate does it in place.)
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <sys/types.h>
#include <vector>

#include "platform/file.h"

namespace vorne {

// The new content of a rewrite, written front to back.
class RewriteOutput {
public:
    explicit RewriteOutput(File& out) : out(out) {}

    // Appends `bytes`. Throws FileError.
    void Write(std::span<const std::uint8_t> bytes);
    // Writes `bytes` at `offset` of the new content, over what was written there or past its end
    // (a gap reads as zero bytes). Throws FileError.
    void WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes);
    // Appends the bytes of `from` from `offset` to its end, a few MiB at a time, so that a file
    // of any size costs little memory. Returns how many were copied. Throws FileError.
    std::int64_t CopyRest(const File& from, std::int64_t offset);

    std::int64_t Written() const { return position; }
    // Reads back up to into.size() bytes of the new content at `offset` (fewer only past its
    // end), for a producer that builds on what it wrote. Throws FileError.
    std::size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> into) const { return out.ReadAt(offset, into); }

private:
    File& out;
    std::int64_t position = 0;
    std::vector<std::uint8_t> buffer;
};

// Makes the new content from the original, opened for reading and writing. It may throw to
// call the rewrite off (the file is then left as it was).
using RewriteProducer = std::function<void(const File& original, RewriteOutput& out)>;

// Rewrites the existing regular file `path` with what `produce` makes of it. A link is followed:
// the file it names is rewritten and the link stays. The original is opened for writing before
// anything else, so permissions decide exactly as for a write in place. The new file keeps the
// original's owner and group, mode and extended attributes, or the rewrite is refused. A file
// with more than one hard link is refused (see rewrite.cpp), and so is one that another program
// changed while it was copied (its size or modification time differ from when it was opened:
// what that program wrote stays, the copy goes). On any failure the original is untouched and
// FileError (or what `produce` threw) is thrown.
void RewriteFile(const std::string& path, const RewriteProducer& produce);

// RewriteFile with `bytes` as the new content.
void ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes);

// Makes the content of a file written whole, front to back. It may throw to call the write off.
using OutputProducer = std::function<void(RewriteOutput& out)>;

// The mode a new file gets that is no copy of another: 0666, less the umask.
inline constexpr mode_t kNewFileMode = 0666;

// The permission bits a copy of `source` is made with, as cp makes it: the source's, less
// setuid, setgid and sticky (the umask trims them further). Throws FileError.
mode_t PermissionBitsOf(const File& source);

// Writes the file `path` with what `produce` makes. An existing file is rewritten as by
// RewriteFile; a new one appears whole or not at all, with `mode` less the umask. Throws FileError
// (or what `produce` threw); nothing changes then.
void WriteFileAtomically(const std::string& path, const OutputProducer& produce, mode_t mode = kNewFileMode);

// Writes the new file `path` with what `produce` makes, with `mode` less the umask. It appears
// whole or not at all, and never in place of a file that has that name (FileError "File exists",
// also when such a file appears meanwhile). Throws FileError (or what `produce` threw).
void WriteNewFile(const std::string& path, const OutputProducer& produce, mode_t mode = kNewFileMode);

// WriteFileAtomically with `bytes` as the content.
void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes, mode_t mode = kNewFileMode);

}  // namespace vorne
