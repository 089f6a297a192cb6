#include "tags/id3v2_plain.h"

#include <taglib/id3v1genres.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <string_view>

#include "tags/id3v2_frames.h"

namespace vorne {

namespace {

constexpr std::uint8_t kLatin1 = 0;
constexpr std::uint8_t kUtf8 = 3;
constexpr std::size_t kFrameHeaderSize = 10;

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A frame's text in UTF-8: its bytes up to the first NUL, or nullopt for an encoding (or bytes)
// TagLib is left to decode.
std::optional<std::string> Text(std::uint8_t encoding, std::string_view bytes, int major) {
    bytes = bytes.substr(0, bytes.find('\0'));
    if (encoding == kLatin1) return Latin1ToUtf8(bytes);
    if (encoding == kUtf8 && major == 4 && IsUtf8(bytes) && !bytes.starts_with("\xEF\xBB\xBF")) return std::string(bytes);
    return std::nullopt;
}

// A text frame's one value: its bytes less the NULs that end them. A frame of several values
// (a NUL between them) is left to TagLib.
std::optional<std::string> TextFrameValue(std::string_view body, int major) {
    if (body.empty()) return std::string();
    std::string_view text = body.substr(1);
    while (!text.empty() && text.back() == '\0') text.remove_suffix(1);
    if (text.find('\0') != std::string_view::npos) return std::nullopt;
    return Text(static_cast<std::uint8_t>(body[0]), text, major);
}

// A comment frame's text: after its encoding, language and description.
std::optional<std::string> CommentValue(std::string_view body, int major) {
    if (body.size() < 4) return std::nullopt;
    const std::string_view rest = body.substr(4);
    const std::size_t end = rest.find('\0');
    if (end == std::string_view::npos) return std::nullopt;
    return Text(static_cast<std::uint8_t>(body[0]), rest.substr(end + 1), major);
}

// The year column: the number of a year frame's first four characters ("2026" of "2026-05-01").
std::optional<std::string> YearValue(std::string_view body, int major) {
    const std::optional<std::string> value = TextFrameValue(body, major);
    if (!value || value->empty()) return value;
    const std::string_view text = *value;
    const std::string_view first = text.substr(0, 4);
    if (!AllDigits(first)) return std::nullopt;
    const int year = std::stoi(std::string(first));
    return year == 0 ? std::string() : std::to_string(year);
}

// The track column: the number a track frame starts with ("7" of "7/12").
std::optional<std::string> TrackValue(std::string_view body, int major) {
    const std::optional<std::string> value = TextFrameValue(body, major);
    if (!value || value->empty()) return value;
    const std::string_view text = *value;
    const std::string_view digits = text.substr(0, text.find('/'));
    if (!AllDigits(digits) || digits.size() > 9) return std::nullopt;
    const long track = std::stol(std::string(digits));
    return track == 0 ? std::string() : std::to_string(track);
}

// The genre column: an ID3v1 genre's number, by its number or its exact name; other names as
// they are.
std::optional<std::string> GenreValue(std::string_view body, int major) {
    const std::optional<std::string> value = TextFrameValue(body, major);
    if (!value || value->empty()) return value;
    const std::string& text = *value;
    if (AllDigits(text)) {
        if (text.size() > 3 || std::stoi(text) > 255 || GenreName(std::stoi(text)).empty()) return std::nullopt;
        return std::to_string(std::stoi(text));
    }
    const char first = text.front();
    if (!((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z'))) return std::nullopt;
    const int number = TagLib::ID3v1::genreIndex(TagLib::String(text, TagLib::String::UTF8));
    return number == 255 ? text : std::to_string(number);
}

// The frames read here, each into its column; a frame of another version is left to TagLib.
struct PlainFrame {
    std::string_view id;
    int major;  // 0: either
    std::string TagTexts::*column;
    std::optional<std::string> (*value)(std::string_view body, int major);
};
constexpr std::array<PlainFrame, 8> kPlainFrames{{
    {"TIT2", 0, &TagTexts::title, TextFrameValue},
    {"TPE1", 0, &TagTexts::artist, TextFrameValue},
    {"TALB", 0, &TagTexts::album, TextFrameValue},
    {"TYER", 3, &TagTexts::year, YearValue},
    {"TDRC", 4, &TagTexts::year, YearValue},
    {"TRCK", 0, &TagTexts::track, TrackValue},
    {"TCON", 0, &TagTexts::genre, GenreValue},
    {"COMM", 0, &TagTexts::comment, CommentValue},
}};

}  // namespace

std::optional<TagTexts> PlainId3v2Texts(std::span<const std::uint8_t> tag) {
    if (tag.size() < kId3v2HeaderSize) return std::nullopt;
    const int major = tag[3];
    if ((major != 3 && major != 4) || tag[5] != 0) return std::nullopt;
    const std::string_view bytes(reinterpret_cast<const char*>(tag.data()), tag.size());
    TagTexts texts;
    std::bitset<kPlainFrames.size()> taken;
    for (std::size_t at = kId3v2HeaderSize; at < tag.size();) {
        if (tag.size() - at < kFrameHeaderSize) return std::nullopt;
        const std::string_view id = bytes.substr(at, 4);
        const auto sizeBytes = tag.subspan(at + 4, 4);
        // A 2.4 size with a byte past seven bits is no synchsafe number: TagLib reads it otherwise.
        if (major == 4 && std::any_of(sizeBytes.begin(), sizeBytes.end(), [](std::uint8_t b) { return b & 0x80; })) return std::nullopt;
        const std::size_t size = major == 4 ? SynchsafeNumber(sizeBytes) : BigEndianNumber(sizeBytes);
        // Flags (compression, encryption, unsynchronisation) and empty frames are TagLib's to judge.
        if (tag[at + 8] != 0 || tag[at + 9] != 0 || size == 0 || size > tag.size() - at - kFrameHeaderSize) return std::nullopt;
        const std::string_view body = bytes.substr(at + kFrameHeaderSize, size);
        at += kFrameHeaderSize + size;

        const auto frame = std::find_if(kPlainFrames.begin(), kPlainFrames.end(), [&](const PlainFrame& f) {
            return f.id == id && (f.major == 0 || f.major == major);
        });
        if (frame == kPlainFrames.end()) return std::nullopt;
        const auto index = static_cast<std::size_t>(frame - kPlainFrames.begin());
        std::optional<std::string> value = frame->value(body, major);
        if (!value || taken[index]) return std::nullopt;
        taken[index] = true;
        texts.*frame->column = std::move(*value);
    }
    if (taken.none()) return std::nullopt;
    return texts;
}

}  // namespace vorne
