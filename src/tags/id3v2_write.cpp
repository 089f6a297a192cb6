#include "tags/id3v2_write.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include <taglib/commentsframe.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>

#include "tags/tag_read.h"
#include "tags/taglib_stream.h"

namespace vorne {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kFrameHeaderSize = 10;
constexpr std::size_t kNewPadding = 1024;  // a grown or new tag keeps room for the next edit
constexpr std::uint8_t kUnsynchronised = 0x80;
constexpr std::uint8_t kFooter = 0x10;
constexpr std::uint8_t kFrameUnsynchronised = 0x02;  // of a 2.4 frame's second flag byte

// The frame of each field, in ID3v2.2 (three-letter identifiers), ID3v2.3 and ID3v2.4 (which
// dates recordings in TDRC).
struct FieldFrame {
    TagField field;
    std::array<char, 4> v2;
    std::array<char, 5> v3;
    std::array<char, 5> v4;
};
constexpr std::array<FieldFrame, 7> kFieldFrames{{
    {TagField::Title, {"TT2"}, {"TIT2"}, {"TIT2"}},
    {TagField::Artist, {"TP1"}, {"TPE1"}, {"TPE1"}},
    {TagField::Album, {"TAL"}, {"TALB"}, {"TALB"}},
    {TagField::Year, {"TYE"}, {"TYER"}, {"TDRC"}},
    {TagField::Comment, {"COM"}, {"COMM"}, {"COMM"}},
    {TagField::Genre, {"TCO"}, {"TCON"}, {"TCON"}},
    {TagField::Track, {"TRK"}, {"TRCK"}, {"TRCK"}},
}};

std::string_view FrameId(TagField field, int major) {
    for (const FieldFrame& f : kFieldFrames) {
        if (f.field == field) return major == 2 ? f.v2.data() : major == 3 ? f.v3.data() : f.v4.data();
    }
    return {};
}

bool IsBlank(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

void Append(Bytes& out, const TagLib::ByteVector& bytes) {
    out.insert(out.end(), reinterpret_cast<const std::uint8_t*>(bytes.data()),
               reinterpret_cast<const std::uint8_t*>(bytes.data()) + bytes.size());
}

// A field's frame in an ID3v2.2 tag, which TagLib does not write: ISO-8859-1 where the text allows
// it, else UTF-16 with a byte order mark; a comment with no description.
TagLib::ByteVector RenderV22Frame(TagField field, const TagLib::String& value, const TagLib::ByteVector& language) {
    const bool latin1 = value.isLatin1();
    TagLib::ByteVector body(1, latin1 ? '\0' : '\1');
    if (field == TagField::Comment) {
        body.append(language);
        body.append(TagLib::ByteVector(latin1 ? 1 : 2, '\0'));  // the empty description's end
    }
    body.append(value.data(latin1 ? TagLib::String::Latin1 : TagLib::String::UTF16));
    const std::string_view id = FrameId(field, 2);
    TagLib::ByteVector frame(id.data(), static_cast<unsigned int>(id.size()));
    const unsigned int size = body.size();
    for (int shift : {16, 8, 0}) frame.append(static_cast<char>((size >> shift) & 0xFF));
    frame.append(body);
    return frame;
}

// The frame TagLib makes for a field's text in the tag's version: ISO-8859-1 where the text
// allows it, else UTF-16 (2.3) or UTF-8 (2.4). A comment keeps the language of the frame it
// replaces.
TagLib::ByteVector RenderFrame(TagField field, const std::string& text, int major, const TagLib::ByteVector& language) {
    const TagLib::String value(text, TagLib::String::UTF8);
    if (major == 2) return RenderV22Frame(field, value, language);
    const TagLib::String::Type encoding =
        value.isLatin1() ? TagLib::String::Latin1 : (major == 3 ? TagLib::String::UTF16 : TagLib::String::UTF8);
    std::unique_ptr<TagLib::ID3v2::Frame> frame;
    if (field == TagField::Comment) {
        auto comment = std::make_unique<TagLib::ID3v2::CommentsFrame>(encoding);
        comment->setLanguage(language);
        comment->setText(value);
        frame = std::move(comment);
    } else {
        const std::string_view id = FrameId(field, major);
        auto textFrame = std::make_unique<TagLib::ID3v2::TextIdentificationFrame>(
            TagLib::ByteVector(id.data(), static_cast<unsigned int>(id.size())), encoding);
        textFrame->setText(value);
        frame = std::move(textFrame);
    }
    // A frame takes the tag's version only as part of a tag: it is rendered in a tag of its own
    // and taken out of it again.
    TagLib::ID3v2::Tag single;
    single.addFrame(frame.release());
    const TagLib::ByteVector rendered = single.render(major == 3 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(rendered.data());
    const std::span<const std::uint8_t> sizeField(bytes + kId3v2HeaderSize + 4, 4);
    const std::size_t size = major == 3 ? BigEndianNumber(sizeField) : SynchsafeNumber(sizeField);
    return rendered.mid(kId3v2HeaderSize, static_cast<unsigned int>(kFrameHeaderSize + size));
}

// One frame of the original tag.
struct RawFrame {
    std::string id;
    Bytes bytes;  // header included
};

// The language of a comment frame without a description, or nullopt for any other frame.
std::optional<TagLib::ByteVector> PlainCommentLanguage(const RawFrame& frame, const TagLib::ID3v2::Header& header) {
    if (frame.id != FrameId(TagField::Comment, static_cast<int>(header.majorVersion()))) return std::nullopt;
    const TagLib::ByteVector data(reinterpret_cast<const char*>(frame.bytes.data()),
                                  static_cast<unsigned int>(frame.bytes.size()));
    std::unique_ptr<TagLib::ID3v2::Frame> parsed(TagLib::ID3v2::FrameFactory::instance()->createFrame(data, &header));
    const auto* comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(parsed.get());
    if (comment == nullptr || !comment->description().isEmpty()) return std::nullopt;
    return comment->language();
}

const TagFieldChange* ChangeFor(std::span<const TagFieldChange> changes, TagField field) {
    const TagFieldChange* found = nullptr;
    for (const TagFieldChange& c : changes) {
        if (c.field == field) found = &c;  // the last change of a field counts
    }
    return found;
}

// An unsynchronised 2.2 or 2.3 tag as it reads: every 0xFF 0x00 within it made 0xFF again, the
// flag cleared, and the bytes that frees made padding, so that the tag keeps its size.
Bytes Resynchronised(std::span<const std::uint8_t> tag) {
    Bytes out(tag.begin(), tag.begin() + kId3v2HeaderSize);
    out[5] &= static_cast<std::uint8_t>(~kUnsynchronised);
    const std::size_t end = std::min(tag.size(), kId3v2HeaderSize + SynchsafeNumber(tag.subspan(6, 4)));
    for (std::size_t i = kId3v2HeaderSize; i < end; ++i) {
        out.push_back(tag[i]);
        if (tag[i] == 0xFF && i + 1 < end && tag[i + 1] == 0) ++i;
    }
    out.resize(end, 0);
    return out;
}

// The frames of the tag as they are kept: a 2.4 frame size written as a plain number is written
// as the tag's rules have it, and a 2.4 frame that the tag's header declares unsynchronised says
// so itself, since the new tag's header does not. Their contents stay as they are.
std::vector<RawFrame> KeptFrames(std::span<const std::uint8_t> tag, const Id3v2Layout& layout) {
    std::vector<RawFrame> frames;
    for (const Id3v2Frame& frame : layout.frames) {
        const auto bytes = tag.subspan(static_cast<std::size_t>(frame.offset), frame.size);
        RawFrame& kept = frames.emplace_back(RawFrame{frame.id, Bytes(bytes.begin(), bytes.end())});
        if (frame.plainSize) PutSynchsafe(std::span(kept.bytes).subspan(4, 4), frame.size - kFrameHeaderSize);
        if (layout.major == 4 && (layout.flags & kUnsynchronised)) kept.bytes[9] |= kFrameUnsynchronised;
    }
    return frames;
}

}  // namespace

std::vector<std::uint8_t> ChangeId3v2(std::span<const std::uint8_t> original, std::span<const TagFieldChange> changes) {
    // An unsynchronised 2.2 or 2.3 tag is changed as it reads, and written back plain.
    Bytes resynchronised;
    std::span<const std::uint8_t> tag = original;
    if (original.size() >= kId3v2HeaderSize && original[3] < 4 && (original[5] & kUnsynchronised)) {
        resynchronised = Resynchronised(original);
        tag = resynchronised;
    }
    const Id3v2Layout layout = WalkId3v2(MemorySource(tag));
    const int major = layout.major;
    const std::uint8_t flags = layout.flags & static_cast<std::uint8_t>(~kUnsynchronised);
    // What follows the last frame is padding, which the new tag makes anew: anything else there
    // (a frame the walk could not take) would be lost, so nothing is written.
    const std::size_t framesEnd =
        layout.frames.empty() ? layout.framesStart
                              : static_cast<std::size_t>(layout.frames.back().offset) + layout.frames.back().size;
    const auto rest = tag.subspan(framesEnd, std::min(layout.end, tag.size()) - framesEnd);
    if (std::any_of(rest.begin(), rest.end(), [](std::uint8_t b) { return b != 0; })) {
        throw TagWriteRefused("the ID3v2 tag holds data after its last frame that cannot be read as frames, which a write "
                              "would lose");
    }
    Bytes headerBytes(tag.begin(), tag.begin() + kId3v2HeaderSize);
    const TagLib::ID3v2::Header header(TagLib::ByteVector(reinterpret_cast<const char*>(headerBytes.data()), kId3v2HeaderSize));
    const std::span<const std::uint8_t> extended =
        tag.subspan(kId3v2HeaderSize, layout.framesStart - kId3v2HeaderSize);
    const std::vector<RawFrame> frames = KeptFrames(tag, layout);

    Bytes body(extended.begin(), extended.end());
    std::array<bool, kFieldFrames.size()> placed{};
    const TagLib::ByteVector english("eng", 3);
    for (const RawFrame& frame : frames) {
        bool kept = true;
        for (const FieldFrame& f : kFieldFrames) {
            const TagFieldChange* change = ChangeFor(changes, f.field);
            if (change == nullptr || frame.id != FrameId(f.field, major)) continue;
            TagLib::ByteVector language = english;
            if (f.field == TagField::Comment) {
                std::optional<TagLib::ByteVector> plain = PlainCommentLanguage(frame, header);
                if (!plain) continue;  // a comment with a description is another program's
                language = *plain;
            }
            kept = false;
            bool& done = placed[static_cast<std::size_t>(f.field)];
            if (!done && !IsBlank(change->text)) Append(body, RenderFrame(f.field, change->text, major, language));
            done = true;  // a second frame of the field goes: the tag holds the one value
        }
        if (kept) body.insert(body.end(), frame.bytes.begin(), frame.bytes.end());
    }
    for (const FieldFrame& f : kFieldFrames) {
        const TagFieldChange* change = ChangeFor(changes, f.field);
        if (change != nullptr && !placed[static_cast<std::size_t>(f.field)] && !IsBlank(change->text)) {
            Append(body, RenderFrame(f.field, change->text, major, english));
        }
    }

    // The tag keeps its size while the frames fit; a footer forbids padding.
    const bool footer = major == 4 && (flags & kFooter);
    std::size_t area = body.size();
    const std::size_t room = layout.end - kId3v2HeaderSize;
    if (!footer) area = body.size() <= room ? room : body.size() + kNewPadding;

    Bytes out(tag.begin(), tag.begin() + kId3v2HeaderSize);
    out[5] = flags;
    PutSynchsafe(std::span(out).subspan(6, 4), area);
    out.insert(out.end(), body.begin(), body.end());
    out.resize(kId3v2HeaderSize + area, 0);
    if (footer) {
        Bytes footerBytes(out.begin(), out.begin() + kId3v2HeaderSize);
        footerBytes[0] = '3', footerBytes[1] = 'D', footerBytes[2] = 'I';
        out.insert(out.end(), footerBytes.begin(), footerBytes.end());
    }
    return out;
}

std::vector<std::uint8_t> NewId3v2(std::span<const TagFieldChange> changes) {
    const std::array<std::uint8_t, kId3v2HeaderSize> empty{'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0};
    return ChangeId3v2(empty, changes);
}

}  // namespace vorne
