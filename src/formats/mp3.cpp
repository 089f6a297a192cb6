#include "formats/mp3.h"

#include <utility>

#include "base/text_rules.h"
#include "platform/file.h"

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

}  // namespace

std::optional<FieldType> Mp3FieldType(int field) {
    if (field == FieldNumber(Mp3Field::Genre)) return FieldType::Number;
    if (FindTextField(field) != nullptr) return FieldType::Bytes;
    return std::nullopt;
}

bool IsId3v1Tag(std::span<const std::uint8_t, kId3v1Size> tag) {
    return tag[0] == 'T' && tag[1] == 'A' && tag[2] == 'G';
}

// The ID3v1 tag at the end.
RomHeader::Parts Mp3Tag::PartsReadAt() const { return {0, kTagLength}; }

void Mp3Tag::ReadHeader() {
    tag.fill(0);
    hasTag = length >= kTagLength && ReadAt(length - kTagLength, tag) == kId3v1Size && IsId3v1Tag(tag);
    DecodeTexts();
}

void Mp3Tag::DecodeTexts() {
    for (const TextField& f : kTextFields) {
        std::string text = hasTag ? TextUpToNul(FieldBytes(tag, f)) : std::string();
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
        case Field::Genre: return hasTag ? std::to_string(tag[kGenre]) : std::string();
        default: return std::nullopt;
    }
}

std::optional<FieldValue> Mp3Tag::ValueOf(int field) const {
    if (field == FieldNumber(Field::Genre)) {
        return hasTag ? std::optional<FieldValue>(std::int32_t{tag[kGenre]}) : std::nullopt;
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
    length = file.Size();
    std::array<std::uint8_t, kId3v1Size> updated{};
    const bool tagged = ReadTag(file, updated);
    if (!tagged) updated = NewTag();

    for (const FieldEdit& edit : edits) {
        if (const TextField* f = FindTextField(edit.field)) {
            // The value is a text up to its first NUL; a shorter one than the field gets one blank.
            const std::string& value = std::get<std::string>(edit.value);
            std::string text(value.substr(0, value.find('\0')));
            if (text.size() < f->width) text += ' ';
            StrncpyFill(FieldBytes(updated, *f), text);
        } else {
            updated[kGenre] = CutTo8(std::get<std::int32_t>(edit.value));
        }
    }
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
    length = file.Size();
    file.Close();
    hasTag = false;
    DecodeTexts();
    return tagged;
}

}  // namespace vorne
