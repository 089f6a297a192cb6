#include "tags/tag_read.h"

#include <algorithm>
#include <array>

#include <taglib/apetag.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>

#include "base/text_rules.h"
#include "tags/id3v2_frames.h"
#include "tags/id3v2_plain.h"
#include "tags/taglib_stream.h"

namespace vorne {

namespace {

std::string Utf8(const TagLib::String& text) { return text.to8Bit(true); }

std::string NumberText(unsigned int number) { return number == 0 ? std::string() : std::to_string(number); }

// The genre column's text for a tag's genre: the ID3v1 number when it is one of those genres.
std::string GenreText(const TagLib::String& genre) {
    if (genre.isEmpty()) return {};
    const int number = TagLib::ID3v1::genreIndex(genre);
    return number == 255 ? Utf8(genre) : std::to_string(number);
}

// The comment a player shows: the first comment frame without a description, else the first.
std::string Comment(const TagLib::ID3v2::Tag& tag) {
    const TagLib::ID3v2::FrameList& frames = tag.frameListMap()["COMM"];
    for (const TagLib::ID3v2::Frame* frame : frames) {
        const auto* comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(frame);
        if (comment != nullptr && comment->description().isEmpty()) return Utf8(comment->text());
    }
    return frames.isEmpty() ? std::string() : Utf8(frames.front()->toString());
}

}  // namespace

std::optional<Id3v2Place> FindId3v2(std::span<const std::uint8_t> head) {
    if (head.size() < kId3v2HeaderSize) return std::nullopt;
    const TagLib::ByteVector bytes(reinterpret_cast<const char*>(head.data()), kId3v2HeaderSize);
    if (!bytes.startsWith(TagLib::ID3v2::Header::fileIdentifier())) return std::nullopt;
    // A size byte with its top bit set breaks the tag's rules: TagLib then reads no size.
    for (std::size_t i = 6; i < kId3v2HeaderSize; ++i) {
        if (head[i] & 0x80) return std::nullopt;
    }
    const TagLib::ID3v2::Header header(bytes);
    const auto major = static_cast<int>(header.majorVersion());
    if (major < 2 || major > 4 || head[4] == 0xFF) return std::nullopt;
    return Id3v2Place{major, static_cast<std::int64_t>(header.completeTagSize())};
}

namespace {

// The frames the columns show, in each version.
bool Shown(const std::string& id) {
    static constexpr std::array<std::string_view, 15> kShown{"TIT2", "TPE1", "TALB", "TYER", "TDRC", "COMM", "TCON", "TRCK",
                                                            "TT2",  "TP1",  "TAL",  "TYE",  "COM",  "TCO",  "TRK"};
    return std::find(kShown.begin(), kShown.end(), id) != kShown.end();
}

// The tag at the start of `source` with the frames the columns show alone: a picture of any size
// costs the reading of its frame header. Nullopt for a tag whose frames cannot be found without
// decoding it whole (which TagLib then does).
std::optional<std::vector<std::uint8_t>> ShownFrames(const ByteSource& source) {
    Id3v2Layout layout;
    try {
        layout = WalkId3v2(source);
    } catch (const TagWriteRefused&) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> tag(kId3v2HeaderSize);
    source.read(0, tag);
    tag[5] &= static_cast<std::uint8_t>(~0x50);  // without its extended header and footer
    for (const Id3v2Frame& frame : layout.frames) {
        if (!Shown(frame.id)) continue;
        const std::size_t at = tag.size();
        tag.resize(at + frame.size);
        source.read(frame.offset, std::span(tag).subspan(at));
        // Away from the frames that followed it, a plain size is told by nothing: it is written
        // as the tag's rules have it.
        if (frame.plainSize) PutSynchsafe(std::span(tag).subspan(at + 4, 4), frame.size - 10);
    }
    PutSynchsafe(std::span(tag).subspan(6, 4), tag.size() - kId3v2HeaderSize);
    return tag;
}

}  // namespace

namespace {

// The texts TagLib reads from the tag at the start of `source`, given its shown frames alone when
// they could be found.
std::optional<TagTexts> TagLibTexts(const ByteSource& source, const std::optional<std::vector<std::uint8_t>>& shown) {
    SilenceTagLib();
    const ByteSource reduced = shown ? MemorySource(*shown) : ByteSource{};
    SourceStream stream(shown ? reduced : source);
    SourceFile file(&stream);
    const TagLib::ID3v2::Tag tag(&file, 0);
    const int major = static_cast<int>(tag.header()->majorVersion());
    if (tag.header()->tagSize() == 0 || major < 2 || major > 4) return std::nullopt;
    return TagTexts{Utf8(tag.title()), Utf8(tag.artist()), Utf8(tag.album()),   NumberText(tag.year()),
                    Comment(tag),      GenreText(tag.genre()), NumberText(tag.track())};
}

}  // namespace

std::optional<TagTexts> ReadId3v2(const ByteSource& source) {
    const std::optional<std::vector<std::uint8_t>> shown = ShownFrames(source);
    if (shown) {
        if (std::optional<TagTexts> plain = PlainId3v2Texts(*shown)) return plain;
    }
    return TagLibTexts(source, shown);
}

std::optional<TagTexts> ReadId3v2ByTagLib(const ByteSource& source) { return TagLibTexts(source, ShownFrames(source)); }

bool IsApeFooter(std::span<const std::uint8_t> footer) {
    const TagLib::ByteVector id = TagLib::APE::Tag::fileIdentifier();
    return footer.size() >= kApeFooterSize && std::equal(id.begin(), id.end(), footer.begin());
}

std::optional<TagTexts> ReadApe(const ByteSource& source, std::int64_t footerAt) {
    SilenceTagLib();
    SourceStream stream(source);
    SourceFile file(&stream);
    const TagLib::APE::Tag tag(&file, static_cast<long>(footerAt));
    return TagTexts{Utf8(tag.title()),   Utf8(tag.artist()),     Utf8(tag.album()),     NumberText(tag.year()),
                    Utf8(tag.comment()), GenreText(tag.genre()), NumberText(tag.track())};
}

std::string GenreName(int number) {
    return number < 0 || number >= 255 ? std::string() : Utf8(TagLib::ID3v1::genre(number));
}

std::optional<int> GenreNumber(std::string_view name) {
    for (int number = 0; number < 255; ++number) {
        const std::string genre = GenreName(number);
        if (genre.empty()) break;
        if (EqualsIgnoringCase(genre, name)) return number;
    }
    return std::nullopt;
}

bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t follow = 0;
        std::uint32_t min = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xE0) == 0xC0) {
            follow = 1, min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            follow = 2, min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            follow = 3, min = 0x10000;
        } else {
            return false;
        }
        if (i + follow >= text.size()) return false;  // cut short
        std::uint32_t code = c & (0x3F >> follow);
        for (std::size_t k = 1; k <= follow; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points past Unicode are not UTF-8.
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += follow + 1;
    }
    return true;
}

std::string AsUtf8(std::string_view bytes) { return IsUtf8(bytes) ? std::string(bytes) : Latin1ToUtf8(bytes); }

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace vorne
