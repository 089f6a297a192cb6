#include "formats/mp3.h"

#include <algorithm>
#include <utility>

#include "base/text_rules.h"
#include "platform/file.h"
#include "platform/rewrite.h"
#include "tags/id3v2_write.h"

namespace vorne {

namespace {

// The text fields of the tag.
struct TextField {
    Mp3Field field;
    std::size_t offset;
    std::size_t width;
};
constexpr std::array<TextField, 5> kTextFields{{
    {Mp3Field::Title, 3, 30},
    {Mp3Field::Artist, 33, 30},
    {Mp3Field::Album, 63, 30},
    {Mp3Field::Year, 93, 4},
    {Mp3Field::Comment, 97, 30},
}};
constexpr std::size_t kGenre = 127;
// ID3v1.1: a zero 29th comment byte and a track number in the 30th.
constexpr std::size_t kTrackMark = 125;
constexpr std::size_t kTrack = 126;
constexpr std::size_t kTrackCommentWidth = 28;
constexpr std::uint8_t kNewTagGenre = 255;
constexpr auto kTagLength = static_cast<std::int64_t>(kId3v1Size);

const TextField* FindTextField(int field) { return FindFieldPlace(kTextFields, field); }

std::span<std::uint8_t> FieldBytes(std::span<std::uint8_t, kId3v1Size> tag, const TextField& f) {
    return tag.subspan(f.offset, f.width);
}

// A tag for a file that has none: every text field starts with one blank, the genre is 255.
std::array<std::uint8_t, kId3v1Size> NewTag() {
    std::array<std::uint8_t, kId3v1Size> tag{'T', 'A', 'G'};
    for (const TextField& f : kTextFields) tag[f.offset] = ' ';
    tag[kGenre] = kNewTagGenre;
    return tag;
}

bool HasTrack(std::span<const std::uint8_t, kId3v1Size> tag) { return tag[kTrackMark] == 0 && tag[kTrack] != 0; }

// Another tag's text (UTF-8) as an ID3v1 field of `width` bytes: in ISO-8859-1 when each of its
// characters is one of that set, else in UTF-8 cut where a character begins.
std::string Id3v1Text(const std::string& utf8, std::size_t width) {
    std::string latin1;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            latin1 += utf8[i];
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            latin1 += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        } else {
            std::size_t cut = std::min(width, utf8.size());
            while (cut > 0 && cut < utf8.size() && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;
            return utf8.substr(0, cut);
        }
    }
    return latin1.substr(0, width);
}

// The edits made to a tag's bytes. A comment that fits beside an ID3v1.1 track number keeps it.
void ApplyEdits(std::span<std::uint8_t, kId3v1Size> tag, std::span<const FieldEdit> edits) {
    for (const FieldEdit& edit : edits) {
        if (const TextField* f = FindTextField(edit.field)) {
            // The value is a text up to its first NUL; a shorter one than the field gets one blank.
            const std::string& value = std::get<std::string>(edit.value);
            std::string text(value.substr(0, value.find('\0')));
            std::size_t width = f->width;
            if (f->field == Mp3Field::Comment && HasTrack(tag) && text.size() <= kTrackCommentWidth) {
                width = kTrackCommentWidth;
            }
            if (text.size() < width) text += ' ';
            StrncpyFill(FieldBytes(tag, *f).first(width), text);
        } else if (edit.field == FieldNumber(Mp3Field::Track)) {
            // ID3v1.1: the comment gives up its last two bytes to the track.
            tag[kTrackMark] = 0;
            tag[kTrack] = CutTo8(std::get<std::int32_t>(edit.value));
        } else {
            tag[kGenre] = CutTo8(std::get<std::int32_t>(edit.value));
        }
    }
}

// The fields of a new tag that the edits leave unset: those the list showed of the file's other
// tag (ID3v2 or APE), so that writing one field does not blank the rest.
std::vector<FieldEdit> FillFrom(const TagTexts& shown) {
    std::vector<FieldEdit> edits;
    // The track first: a comment that leaves room for it then keeps it.
    const std::int32_t track = shown.track.empty() ? 0 : AtoiRule(shown.track);
    if (track > 0 && track < 256) edits.emplace_back(FieldNumber(Mp3Field::Track), track);
    const std::pair<Mp3Field, const std::string*> texts[] = {{Mp3Field::Title, &shown.title},
                                                              {Mp3Field::Artist, &shown.artist},
                                                              {Mp3Field::Album, &shown.album},
                                                              {Mp3Field::Year, &shown.year},
                                                              {Mp3Field::Comment, &shown.comment}};
    for (const auto& [field, text] : texts) {
        if (!text->empty()) edits.emplace_back(FieldNumber(field), Id3v1Text(*text, FindTextField(FieldNumber(field))->width));
    }
    // A genre that is one of ID3v1's shows as its number; any other has no place in ID3v1.
    const std::string& genre = shown.genre;
    if (!genre.empty() && genre.size() <= 3 && genre.find_first_not_of("0123456789") == std::string::npos) {
        edits.emplace_back(FieldNumber(Mp3Field::Genre), AtoiRule(genre));
    }
    return edits;
}

// A tag for a file that has none: the fields the list showed of its other tag, the rest as NewTag
// leaves them.
std::array<std::uint8_t, kId3v1Size> NewTagFrom(const TagTexts& shown) {
    std::array<std::uint8_t, kId3v1Size> tag = NewTag();
    ApplyEdits(tag, FillFrom(shown));
    return tag;
}

constexpr std::array<std::pair<Mp3Field, TagField>, 5> kTagFields{{
    {Mp3Field::Title, TagField::Title},
    {Mp3Field::Artist, TagField::Artist},
    {Mp3Field::Album, TagField::Album},
    {Mp3Field::Year, TagField::Year},
    {Mp3Field::Comment, TagField::Comment},
}};

TagField TagFieldOf(Mp3Field field) {
    for (const auto& [mp3, tag] : kTagFields) {
        if (mp3 == field) return tag;
    }
    return TagField::Genre;
}

// An ID3v1 genre number as an ID3v2 genre: its name, its number past the names, none for 255.
std::string GenreChange(std::uint8_t number) {
    if (number == kNewTagGenre) return {};
    std::string name = GenreName(number);
    return name.empty() ? std::to_string(number) : name;
}

// The edits as changes of ID3v2 fields: texts whole (the blank the ID3v1 rule adds is no part of
// them), as UTF-8.
std::vector<TagFieldChange> ChangesOf(std::span<const FieldEdit> edits) {
    std::vector<TagFieldChange> changes;
    for (const FieldEdit& edit : edits) {
        const auto field = static_cast<Mp3Field>(edit.field);
        if (field == Mp3Field::Genre) {
            changes.push_back({TagField::Genre, GenreChange(CutTo8(std::get<std::int32_t>(edit.value)))});
        } else if (field == Mp3Field::Track) {
            const std::uint8_t track = CutTo8(std::get<std::int32_t>(edit.value));
            changes.push_back({TagField::Track, track == 0 ? std::string() : std::to_string(track)});
        } else {
            const std::string& value = std::get<std::string>(edit.value);
            changes.push_back({TagFieldOf(field), AsUtf8(value.substr(0, value.find('\0')))});
        }
    }
    return changes;
}

// The fields of an ID3v1 tag as changes, for a new ID3v2 tag that starts out holding them.
std::vector<TagFieldChange> ChangesOfTag(std::span<std::uint8_t, kId3v1Size> tag) {
    std::vector<TagFieldChange> changes;
    for (const TextField& f : kTextFields) {
        std::string text = TextUpToNul(FieldBytes(tag, f));
        text.erase(text.find_last_not_of(' ') + 1);
        changes.push_back({TagFieldOf(f.field), AsUtf8(text)});
    }
    changes.push_back({TagField::Genre, GenreChange(tag[kGenre])});
    if (HasTrack(tag)) changes.push_back({TagField::Track, std::to_string(tag[kTrack])});
    return changes;
}

}  // namespace

std::optional<FieldType> Mp3FieldType(int field) {
    if (field == FieldNumber(Mp3Field::Genre) || field == FieldNumber(Mp3Field::Track)) return FieldType::Number;
    if (FindTextField(field) != nullptr) return FieldType::Bytes;
    return std::nullopt;
}

bool IsId3v1Tag(std::span<const std::uint8_t, kId3v1Size> tag) {
    return tag[0] == 'T' && tag[1] == 'A' && tag[2] == 'G';
}

// The ID3v1 tag at the end, an ID3v2 tag at the start, an APE tag before the ID3v1 tag: of a
// stream, so much of each end is kept (a larger ID3v2 or APE tag reads as none).
constexpr std::int64_t kStreamedTagBytes = 1 << 20;
RomHeader::Parts Mp3Tag::PartsReadAt() const { return {kStreamedTagBytes, kStreamedTagBytes}; }

void Mp3Tag::ReadHeader() {
    tag.fill(0);
    hasTag = length >= kTagLength && ReadAt(length - kTagLength, tag) == kId3v1Size && IsId3v1Tag(tag);

    // The other tags: an ID3v2 header is the file's first bytes, an APE footer the last ones
    // before an ID3v1 tag. Their values are read only when there is no ID3v1 tag to show: a file
    // with one costs no more than its headers.
    other = {};
    std::array<std::uint8_t, kId3v2HeaderSize> head{};
    const std::optional<Id3v2Place> place = ReadAt(0, head) == head.size() ? FindId3v2(head) : std::nullopt;
    id3v2Major = place ? place->major : 0;
    const ByteSource source{[this](std::int64_t offset, std::span<std::uint8_t> out) { return ReadAtIfKept(offset, out); },
                            length};
    if (place && !hasTag) other = ReadId3v2(source).value_or(TagTexts{});

    std::array<std::uint8_t, kApeFooterSize> footer{};
    const std::int64_t footerAt = length - (hasTag ? kTagLength : 0) - static_cast<std::int64_t>(footer.size());
    hasApe = footerAt >= 0 && ReadAt(footerAt, footer) == footer.size() && IsApeFooter(footer);
    if (hasApe && !hasTag && !place) other = ReadApe(source, footerAt).value_or(TagTexts{});
    DecodeTexts();
}

std::string Mp3Tag::TagsText() const {
    std::string text;
    auto add = [&text](const std::string& name) { text += (text.empty() ? "" : " + ") + name; };
    if (hasTag) add("ID3v1");
    if (id3v2Major != 0) add("ID3v2." + std::to_string(id3v2Major));
    if (hasApe) add("APE");
    return text;
}

void Mp3Tag::DecodeTexts() {
    if (!hasTag) {
        title = other.title;
        artist = other.artist;
        album = other.album;
        year = other.year;
        comment = other.comment;
        return;
    }
    for (const TextField& f : kTextFields) {
        std::string text = TextUpToNul(FieldBytes(tag, f));
        switch (f.field) {
            case Field::Title: title = std::move(text); break;
            case Field::Artist: artist = std::move(text); break;
            case Field::Album: album = std::move(text); break;
            case Field::Year: year = std::move(text); break;
            case Field::Comment: comment = std::move(text); break;
            default: break;
        }
    }
}

std::optional<std::string> Mp3Tag::TextOf(int index) const {
    switch (static_cast<Field>(index)) {
        case Field::Title: return title;
        case Field::Filename: return FilenameText();
        case Field::Size: return SizeText();
        case Field::Artist: return artist;
        case Field::Album: return album;
        case Field::Year: return year;
        case Field::Comment: return comment;
        case Field::Genre: return hasTag ? std::to_string(tag[kGenre]) : other.genre;
        case Field::Tags: return TagsText();
        case Field::Track: return hasTag ? (HasTrack(tag) ? std::to_string(tag[kTrack]) : std::string()) : other.track;
        default: return std::nullopt;
    }
}

std::optional<FieldValue> Mp3Tag::ValueOf(int field) const {
    if (field == FieldNumber(Field::Genre)) {
        if (hasTag) return std::int32_t{tag[kGenre]};
        // Another tag's genre has a number when it is one of the ID3v1 genres.
        const bool number = !other.genre.empty() && other.genre.size() <= 3 &&
                            std::all_of(other.genre.begin(), other.genre.end(), [](char c) { return c >= '0' && c <= '9'; });
        return number ? std::optional<FieldValue>(AtoiRule(other.genre)) : std::nullopt;
    }
    if (field == FieldNumber(Field::Track)) {
        const std::string track = *TextOf(field);
        return track.empty() ? std::nullopt : std::optional<FieldValue>(AtoiRule(track));
    }
    if (!SupportsField(field)) return std::nullopt;
    return TextOf(field);
}

std::optional<FieldType> Mp3Tag::TypeOf(int field) const { return Mp3FieldType(field); }

// A tag goes where the file as it is on disk has one, or behind the audio: there is nothing a
// write could find out of place.
void Mp3Tag::CheckField(const File&, const FieldValue&, int) const {}

FieldWrite Mp3Tag::WriteFieldTo(File& file, const FieldValue& value, int field) {
    const FieldEdit edit{field, value};
    return WriteEditsTo(file, std::span(&edit, 1)).front();
}

std::vector<FieldWrite> Mp3Tag::WriteEditsTo(File& file, std::span<const FieldEdit> edits) {
    // Decide on the file as it is now: a tag it has is rewritten in place, otherwise a new one
    // goes behind the audio. (Going by the state at load time could write a tag over the last
    // 128 bytes of audio of a file whose tag was removed since.) All the edits go into one tag,
    // which is written once: a failure leaves none of them half done.
    std::array<std::uint8_t, kId3v2HeaderSize> head{};
    if (addId3v2 || (file.ReadAt(0, head) == head.size() && FindId3v2(head))) {
        RewriteWithId3v2(edits);
        return std::vector<FieldWrite>(edits.size(), FieldWrite::Written);
    }
    length = file.Size();
    std::array<std::uint8_t, kId3v1Size> updated{};
    const bool tagged = ReadTag(file, updated);
    if (!tagged) updated = NewTagFrom(other);
    ApplyEdits(updated, edits);
    if (tagged) {
        WriteHeaderBytes(file, length - kTagLength, updated);
    } else {
        WriteGrowing(file, length, updated);  // a new tag is added whole or not at all
    }

    tag = updated;
    hasTag = true;
    DecodeTexts();
    return std::vector<FieldWrite>(edits.size(), FieldWrite::Written);
}

void Mp3Tag::RewriteWithId3v2(std::span<const FieldEdit> edits) {
    // The whole file is made anew: the ID3v2 tag changed (or a new one), the audio copied, the
    // ID3v1 tag changed (or a new one) at the end. It replaces the original only when whole, so a
    // tag that grows never leaves the audio half moved.
    std::array<std::uint8_t, kId3v1Size> updated{};
    int major = 3;
    std::int64_t written = 0;
    RewriteFile(path, [&](const File& original, RewriteOutput& out) {
        const std::int64_t size = original.Size();
        std::array<std::uint8_t, kId3v2HeaderSize> head{};
        const std::optional<Id3v2Place> place =
            original.ReadAt(0, head) == head.size() ? FindId3v2(head) : std::nullopt;
        const bool tagged = ReadTag(original, updated);
        if (place && tagged && place->size > size - kTagLength) {
            throw TagWriteRefused(path + ": the ID3v1 tag lies inside the ID3v2 tag");
        }
        if (!tagged) updated = NewTagFrom(other);
        ApplyEdits(updated, edits);
        std::vector<std::uint8_t> newTag;
        if (place) {
            std::vector<FieldEdit> inStep;
            for (const FieldEdit& edit : edits) {
                if (!id3v2Fields || std::find(id3v2Fields->begin(), id3v2Fields->end(), edit.field) != id3v2Fields->end()) {
                    inStep.push_back(edit);
                }
            }
            std::vector<std::uint8_t> old(static_cast<std::size_t>(std::min(place->size, size)));
            old.resize(original.ReadAt(0, old));
            try {
                newTag = ChangeId3v2(old, ChangesOf(inStep));
            } catch (const TagWriteRefused& e) {
                throw TagWriteRefused(path + ": " + e.what() + "; nothing was written");
            }
            major = place->major;
        } else {
            // A new tag holds every field: those of the ID3v1 tag as written, the edited ones whole
            // (ID3v1 cuts them at 30 characters).
            std::vector<TagFieldChange> changes = ChangesOfTag(updated);
            std::vector<TagFieldChange> edited = ChangesOf(edits);
            changes.insert(changes.end(), edited.begin(), edited.end());
            newTag = NewId3v2(changes);
        }
        out.Write(newTag);
        out.CopyRest(original, place ? place->size : 0);
        if (tagged) {
            out.WriteAt(out.Written() - kTagLength, updated);
        } else {
            out.Write(updated);
        }
        written = out.Written();
    });
    tag = updated;
    hasTag = true;
    id3v2Major = major;
    length = written;
    DecodeTexts();
}

bool Mp3Tag::DeleteId3v2Tag() {
    std::array<std::uint8_t, kId3v2HeaderSize> head{};
    {
        // Only a file with a tag is rewritten (a read-only file without one is no error).
        const File file = File::OpenRead(path);
        length = file.Size();
        if (file.ReadAt(0, head) != head.size() || !FindId3v2(head)) {
            id3v2Major = 0;
            return false;
        }
    }
    bool cut = false;
    RewriteFile(path, [&](const File& original, RewriteOutput& out) {
        const std::int64_t size = original.Size();
        const std::optional<Id3v2Place> place = original.ReadAt(0, head) == head.size() ? FindId3v2(head) : std::nullopt;
        if (place && place->size > size) {
            throw TagWriteRefused(path + ": the ID3v2 tag runs past the end of the file; nothing was cut");
        }
        cut = place.has_value();
        out.CopyRest(original, place ? place->size : 0);
    });
    // The list now shows what the other tags hold (an APE tag's values): they are read again.
    const std::string again = path;
    LoadFile(again);
    return cut;
}

bool Mp3Tag::ReadTag(const File& file, std::span<std::uint8_t, kId3v1Size> out) const {
    const std::int64_t size = file.Size();
    return size >= kTagLength && file.ReadAt(size - kTagLength, out) == kId3v1Size && IsId3v1Tag(out);
}

bool Mp3Tag::DeleteTag() {
    // The tag is cut off in place: the file keeps everything else it has (its links, owner and
    // attributes), and a file of any size costs one call.
    std::array<std::uint8_t, kId3v1Size> found;
    File file = File::OpenRead(path);
    bool tagged = ReadTag(file, found);
    if (tagged) {
        // Only a file with a tag is opened for writing (a read-only file without one is no
        // error), and what is cut is looked at again through the descriptor that cuts it.
        file = File::OpenReadWrite(path);
        tagged = ReadTag(file, found);
        if (tagged) file.Truncate(file.Size() - kTagLength);
    }
    // The list now shows what the other tags hold: they are read again.
    LoadFile(file, std::string(path));
    return tagged;
}

}  // namespace vorne
