#include "patch/patch_io.h"

#include <algorithm>

#include "platform/file.h"
#include "platform/file_error.h"
#include "platform/rewrite.h"

namespace vorne {

namespace {

constexpr std::size_t kCopyPiece = std::size_t{1} << 20;

}  // namespace

std::size_t MemoryInput::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (offset >= bytes.size()) return 0;
    const std::size_t count = std::min<std::uint64_t>(out.size(), bytes.size() - offset);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), count, out.begin());
    return count;
}

FileInput::FileInput(const File& file) : file(file), size(static_cast<std::uint64_t>(file.Size())) {}

std::size_t FileInput::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    return file.ReadAt(static_cast<std::int64_t>(offset), out);
}

void MemoryOutput::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> piece) {
    if (piece.empty()) return;
    const auto end = static_cast<std::size_t>(offset + piece.size());
    if (bytes.size() < end) bytes.resize(end);
    std::copy(piece.begin(), piece.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

void MemoryOutput::ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const {
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), into.size(), into.begin());
}

void RewriteTarget::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    out.WriteAt(static_cast<std::int64_t>(offset), bytes);
}

void RewriteTarget::ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const {
    // A hole left by a write past the end reads as zero bytes, as on disk.
    const std::size_t got = out.ReadAt(static_cast<std::int64_t>(offset), into);
    if (got < into.size()) throw FileError("the patched file", "could not be read back while it was written");
}

void CopyInput(const ByteInput& from, std::uint64_t offset, std::uint64_t length, PatchOutput& to, std::uint64_t at) {
    std::vector<std::uint8_t> piece(static_cast<std::size_t>(std::min<std::uint64_t>(length, kCopyPiece)));
    while (length > 0) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(length, piece.size()));
        const std::size_t got = from.ReadAt(offset, std::span(piece).first(want));
        if (got == 0) return;  // the input ends early: the caller's sizes say what that means
        to.WriteAt(at, std::span(piece).first(got));
        offset += got;
        at += got;
        length -= got;
    }
}

}  // namespace vorne
