// Reading the tags MP3 files carry besides ID3v1: ID3v2 (2.2, 2.3, 2.4) at the start of the file
// and APEv2 at its end, through TagLib. Texts come out as UTF-8 whatever the tag's encoding
// (ISO-8859-1, UTF-16 with or without a byte order mark, UTF-8).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "tags/byte_source.h"

namespace vorne {

// The fields the MP3 columns show, from one tag. The genre is the ID3v1 genre number as text when
// the tag names one of those genres, its own text otherwise.
struct TagTexts {
    std::string title;
    std::string artist;
    std::string album;
    std::string year;
    std::string comment;
    std::string genre;
    std::string track;  // the number alone ("7" of "7/12"), or empty
    bool operator==(const TagTexts&) const = default;
};

inline constexpr std::size_t kId3v2HeaderSize = 10;

// An ID3v2 tag at the start of a file, as its header tells: the major version (2, 3 or 4) and the
// bytes the whole tag takes, header (and footer) included.
struct Id3v2Place {
    int major = 0;
    std::int64_t size = 0;
};

// The tag whose header `head` (a file's first 10 bytes) is, or nullopt when it is none.
std::optional<Id3v2Place> FindId3v2(std::span<const std::uint8_t> head);

// The ID3v2 tag at the start of `source`; nullopt when there is none TagLib can read. Plain frames
// are read on their own (see id3v2_plain.h), the rest through TagLib.
std::optional<TagTexts> ReadId3v2(const ByteSource& source);
// The same, every frame through TagLib: what reading plain frames on their own must agree with.
std::optional<TagTexts> ReadId3v2ByTagLib(const ByteSource& source);

inline constexpr std::size_t kApeFooterSize = 32;

// Whether `footer` (32 bytes) is an APEv2 tag's footer.
bool IsApeFooter(std::span<const std::uint8_t> footer);

// The APE tag whose footer lies at `footerAt` of `source`; nullopt when TagLib reads none there.
std::optional<TagTexts> ReadApe(const ByteSource& source, std::int64_t footerAt);

// The name of ID3v1 genre `number` ("Blues" for 0), or empty past the list.
std::string GenreName(int number);
// The number of the ID3v1 genre named `name` (in any case), or nullopt.
std::optional<int> GenreNumber(std::string_view name);

// True when `text` is valid UTF-8.
bool IsUtf8(std::string_view text);
// `bytes` as UTF-8: as they are when they are UTF-8 already, else read as ISO-8859-1.
std::string AsUtf8(std::string_view bytes);
// ISO-8859-1 bytes as UTF-8: each byte is its own code point.
std::string Latin1ToUtf8(std::string_view bytes);

}  // namespace vorne
