#include "tags/id3v2_frames.h"

#include <algorithm>
#include <array>
#include <span>

#include "tags/tag_read.h"

namespace vorne {

std::uint32_t BigEndianNumber(std::span<const std::uint8_t> bytes) {
    std::uint32_t value = 0;
    for (std::uint8_t byte : bytes) value = (value << 8) | byte;
    return value;
}

std::uint32_t SynchsafeNumber(std::span<const std::uint8_t> bytes) {
    std::uint32_t value = 0;
    for (std::uint8_t byte : bytes) value = (value << 7) | (byte & 0x7F);
    return value;
}

void PutSynchsafe(std::span<std::uint8_t> out, std::size_t value) {
    for (std::size_t i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>((value >> (7 * (3 - i))) & 0x7F);
}

namespace {

constexpr std::uint8_t kUnsynchronised = 0x80;
constexpr std::uint8_t kExtendedHeader = 0x40;  // 2.3 and 2.4
constexpr std::uint8_t kCompressed = 0x40;      // 2.2

bool IsFrameIdChar(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// Whether a frame ending at `next` is followed by what may follow a frame: the end of the tag,
// padding (a zero byte), or the next frame's identifier.
bool LandsWell(const ByteSource& source, std::size_t next, std::size_t end, std::size_t idSize) {
    if (next == end) return true;
    std::array<std::uint8_t, 4> id{};
    const auto want = std::span(id).first(std::min(idSize, end - next));
    if (source.read(static_cast<std::int64_t>(next), want) != want.size()) return false;
    if (id[0] == 0) return true;
    return want.size() == idSize && std::all_of(want.begin(), want.end(), IsFrameIdChar);
}

}  // namespace

Id3v2Layout WalkId3v2(const ByteSource& source) {
    std::array<std::uint8_t, kId3v2HeaderSize> head{};
    const std::optional<Id3v2Place> place =
        source.read(0, head) == head.size() ? FindId3v2(head) : std::nullopt;
    if (!place) throw TagWriteRefused("no ID3v2 tag");
    Id3v2Layout layout;
    layout.major = place->major;
    layout.flags = head[5];
    layout.headerSize = layout.major == 2 ? 6 : 10;
    layout.end = kId3v2HeaderSize + SynchsafeNumber(std::span(head).subspan(6, 4));
    if (static_cast<std::int64_t>(layout.end) > source.length) throw TagWriteRefused("the ID3v2 tag runs past the end of the file");
    if (layout.major < 4 && (layout.flags & kUnsynchronised)) throw TagWriteRefused("unsynchronised ID3v2 tags cannot be written");
    if (layout.major == 2 && (layout.flags & kCompressed)) throw TagWriteRefused("compressed ID3v2.2 tags cannot be written");

    std::size_t pos = kId3v2HeaderSize;
    if (layout.major > 2 && (layout.flags & kExtendedHeader)) {
        std::array<std::uint8_t, 4> sizeField{};
        if (pos + 4 > layout.end || source.read(static_cast<std::int64_t>(pos), sizeField) != 4) {
            throw TagWriteRefused("the ID3v2 extended header runs past the tag");
        }
        // 2.3 counts the extended header without its size field, 2.4 with it.
        const std::size_t size = layout.major == 3 ? 4 + std::size_t{BigEndianNumber(sizeField)} : SynchsafeNumber(sizeField);
        if (size < 4 || pos + size > layout.end) throw TagWriteRefused("the ID3v2 extended header runs past the tag");
        pos += size;
    }
    layout.framesStart = pos;

    const std::size_t idSize = layout.major == 2 ? 3 : 4;
    std::array<std::uint8_t, 10> header{};
    const auto frameHeader = std::span(header).first(layout.headerSize);
    while (pos + layout.headerSize <= layout.end &&
           source.read(static_cast<std::int64_t>(pos), frameHeader) == frameHeader.size() &&
           std::all_of(header.begin(), header.begin() + static_cast<std::ptrdiff_t>(idSize), IsFrameIdChar)) {
        const auto sizeField = frameHeader.subspan(idSize, layout.major == 2 ? 3 : 4);
        const std::size_t room = layout.end - pos - layout.headerSize;
        std::size_t size = layout.major == 4 ? SynchsafeNumber(sizeField) : BigEndianNumber(sizeField);
        bool plainSize = false;
        if (layout.major == 4 && SynchsafeNumber(sizeField) != BigEndianNumber(sizeField)) {
            // Some programs (iTunes among them) write 2.4 frame sizes as plain numbers, as 2.3 does:
            // a size byte with its top bit set, or a synchsafe size that lands neither on the next
            // frame nor on padding, is read so when the plain size lands well.
            const bool synchsafeFits = std::none_of(sizeField.begin(), sizeField.end(), [](std::uint8_t b) { return b & 0x80; }) &&
                                       size <= room && LandsWell(source, pos + layout.headerSize + size, layout.end, idSize);
            const std::size_t plain = BigEndianNumber(sizeField);
            if (!synchsafeFits && plain <= room && LandsWell(source, pos + layout.headerSize + plain, layout.end, idSize)) {
                size = plain;
                plainSize = true;
            }
        }
        if (size > room) throw TagWriteRefused("an ID3v2 frame runs past the end of its tag");
        layout.frames.push_back({std::string(reinterpret_cast<const char*>(header.data()), idSize),
                                 static_cast<std::int64_t>(pos), layout.headerSize + size, plainSize});
        pos += layout.headerSize + size;
    }
    return layout;
}

}  // namespace vorne
