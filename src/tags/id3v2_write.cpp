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

// The frame of each field, in ID3v2.3 and in ID3v2.4 (which dates recordings in TDRC).
struct FieldFrame {
    TagField field;
    std::array<char, 5> v3;
    std::array<char, 5> v4;
};
constexpr std::array<FieldFrame, 7> kFieldFrames{{
    {TagField::Title, {"TIT2"}, {"TIT2"}},
    {TagField::Artist, {"TPE1"}, {"TPE1"}},
    {TagField::Album, {"TALB"}, {"TALB"}},
    {TagField::Year, {"TYER"}, {"TDRC"}},
    {TagField::Comment, {"COMM"}, {"COMM"}},
    {TagField::Genre, {"TCON"}, {"TCON"}},
    {TagField::Track, {"TRCK"}, {"TRCK"}},
}};

std::string_view FrameId(TagField field, int major) {
    for (const FieldFrame& f : kFieldFrames) {
        if (f.field == field) return major == 3 ? f.v3.data() : f.v4.data();
    }
    return {};
}

bool IsBlank(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

std::uint32_t BigEndian32(std::span<const std::uint8_t> b) {
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
}
std::uint32_t Synchsafe32(std::span<const std::uint8_t> b) {
    return (std::uint32_t{b[0]} << 21) | (std::uint32_t{b[1]} << 14) | (std::uint32_t{b[2]} << 7) | b[3];
}
void PutSynchsafe32(std::span<std::uint8_t> out, std::size_t value) {
    for (int i = 0; i < 4; ++i) out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((value >> (7 * (3 - i))) & 0x7F);
}


void Append(Bytes& out, const TagLib::ByteVector& bytes) {
    out.insert(out.end(), reinterpret_cast<const std::uint8_t*>(bytes.data()),
               reinterpret_cast<const std::uint8_t*>(bytes.data()) + bytes.size());
}

// The frame TagLib makes for a field's text in the tag's version: ISO-8859-1 where the text
// allows it, else UTF-16 (2.3) or UTF-8 (2.4). A comment keeps the language of the frame it
// replaces.
TagLib::ByteVector RenderFrame(TagField field, const std::string& text, int major, const TagLib::ByteVector& language) {
    const TagLib::String value(text, TagLib::String::UTF8);
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
    const std::size_t size = major == 3 ? BigEndian32(sizeField) : Synchsafe32(sizeField);
    return rendered.mid(kId3v2HeaderSize, static_cast<unsigned int>(kFrameHeaderSize + size));
}

// One frame of the original tag.
struct RawFrame {
    std::string id;
    std::span<const std::uint8_t> bytes;  // header included
};

// The language of a comment frame without a description, or nullopt for any other frame.
std::optional<TagLib::ByteVector> PlainCommentLanguage(const RawFrame& frame, const TagLib::ID3v2::Header& header) {
    if (frame.id != "COMM") return std::nullopt;
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

}  // namespace

std::vector<std::uint8_t> ChangeId3v2(std::span<const std::uint8_t> tag, std::span<const TagFieldChange> changes) {
    const Id3v2Layout layout = WalkId3v2(MemorySource(tag));
    const int major = layout.major;
    const std::uint8_t flags = layout.flags;
    if (major == 2) throw TagWriteRefused("ID3v2.2 tags cannot be written (only 2.3 and 2.4)");
    if (flags & kUnsynchronised) throw TagWriteRefused("unsynchronised ID3v2 tags cannot be written");
    const TagLib::ID3v2::Header header(TagLib::ByteVector(reinterpret_cast<const char*>(tag.data()), kId3v2HeaderSize));
    const std::span<const std::uint8_t> extended =
        tag.subspan(kId3v2HeaderSize, layout.framesStart - kId3v2HeaderSize);
    std::vector<RawFrame> frames;
    for (const Id3v2Frame& frame : layout.frames) {
        frames.push_back({frame.id, tag.subspan(static_cast<std::size_t>(frame.offset), frame.size)});
    }
    // What follows the last frame is padding, which the new tag makes anew.

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
    PutSynchsafe32(std::span(out).subspan(6, 4), area);
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
