#include "tags/id3v2_frames.h"

#include <algorithm>
#include <array>
#include <span>

#include "tags/tag_read.h"

namespace vorne {

namespace {

constexpr std::uint8_t kUnsynchronised = 0x80;
constexpr std::uint8_t kExtendedHeader = 0x40;

std::uint32_t BigEndian(std::span<const std::uint8_t> b) {
    std::uint32_t value = 0;
    for (std::uint8_t byte : b) value = (value << 8) | byte;
    return value;
}
std::uint32_t Synchsafe(std::span<const std::uint8_t> b) {
    std::uint32_t value = 0;
    for (std::uint8_t byte : b) value = (value << 7) | (byte & 0x7F);
    return value;
}

bool IsFrameIdChar(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

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
    layout.end = kId3v2HeaderSize + Synchsafe(std::span(head).subspan(6, 4));
    if (static_cast<std::int64_t>(layout.end) > source.length) throw TagWriteRefused("the ID3v2 tag runs past the end of the file");
    if (layout.major < 4 && (layout.flags & kUnsynchronised)) throw TagWriteRefused("unsynchronised ID3v2 tags cannot be written");

    std::size_t pos = kId3v2HeaderSize;
    if (layout.major > 2 && (layout.flags & kExtendedHeader)) {
        std::array<std::uint8_t, 4> sizeField{};
        if (pos + 4 > layout.end || source.read(static_cast<std::int64_t>(pos), sizeField) != 4) {
            throw TagWriteRefused("the ID3v2 extended header runs past the tag");
        }
        // 2.3 counts the extended header without its size field, 2.4 with it.
        const std::size_t size = layout.major == 3 ? 4 + std::size_t{BigEndian(sizeField)} : Synchsafe(sizeField);
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
        const std::size_t size = layout.major == 4 ? Synchsafe(sizeField) : BigEndian(sizeField);
        if (size > layout.end - pos - layout.headerSize) throw TagWriteRefused("an ID3v2 frame runs past the end of its tag");
        layout.frames.push_back({std::string(reinterpret_cast<const char*>(header.data()), idSize),
                                 static_cast<std::int64_t>(pos), layout.headerSize + size});
        pos += layout.headerSize + size;
    }
    return layout;
}

}  // namespace vorne
