#include "patch/patch_streams.h"

#include <algorithm>

#include "base/crc32.h"

namespace vorne {

namespace {

constexpr std::size_t kSourceWindow = std::size_t{256} << 10;
constexpr std::size_t kCopyPiece = std::size_t{256} << 10;

}  // namespace

void SourceReader::Load(std::uint64_t offset) {
    window.resize(kSourceWindow);
    const std::size_t got = input.ReadAt(start + offset, window);
    std::fill(window.begin() + static_cast<std::ptrdiff_t>(got), window.end(), std::uint8_t{0});
    windowStart = offset;
}

void SourceReader::CopyTo(std::uint64_t offset, std::uint64_t length, TargetWriter& target) {
    while (length > 0) {
        if (offset - windowStart >= window.size()) Load(offset);  // before the window, too
        const auto from = static_cast<std::size_t>(offset - windowStart);
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(length, window.size() - from));
        target.Append(std::span(window).subspan(from, piece));
        offset += piece;
        length -= piece;
    }
}

TargetWriter::TargetWriter(PatchOutput& out, std::uint64_t base) : out(out), base(base) {}

void TargetWriter::Flush() {
    crc = Crc32(pending, crc);
    out.WriteAt(base + flushed, pending);
    flushed += pending.size();
    pending.clear();
}

void TargetWriter::Append(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const std::size_t piece = std::min(bytes.size(), kPending - pending.size());
        pending.insert(pending.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(piece));
        if (pending.size() == kPending) Flush();
        bytes = bytes.subspan(piece);
    }
}

void TargetWriter::ReadBack(std::uint64_t from, std::span<std::uint8_t> into) const {
    if (from < flushed) {
        const auto early = static_cast<std::size_t>(std::min<std::uint64_t>(into.size(), flushed - from));
        out.ReadAt(base + from, into.first(early));
        into = into.subspan(early);
        from += early;
    }
    std::copy_n(pending.begin() + static_cast<std::ptrdiff_t>(from - flushed), into.size(), into.begin());
}

void TargetWriter::CopyWithin(std::uint64_t from, std::uint64_t length) {
    while (length > 0) {
        const std::uint64_t distance = Written() - from;
        if (distance < length && distance <= kCopyPiece) {
            // The copy catches up with itself: the rest repeats the `distance` bytes from `from`,
            // so those bytes, laid end to end as often as a piece holds them, make all of it.
            const auto period = static_cast<std::size_t>(distance);
            copy.resize(kCopyPiece / period * period);
            ReadBack(from, std::span(copy).first(period));
            for (std::size_t i = period; i < copy.size(); ++i) copy[i] = copy[i - period];
            while (length > 0) {
                const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(length, copy.size()));
                Append(std::span(copy).first(piece));
                length -= piece;
            }
            return;
        }
        copy.resize(static_cast<std::size_t>(std::min<std::uint64_t>({length, distance, kCopyPiece})));
        ReadBack(from, copy);
        Append(copy);
        from += copy.size();
        length -= copy.size();
    }
}

std::uint32_t TargetWriter::Finish() {
    Flush();
    return crc;
}

}  // namespace vorne
