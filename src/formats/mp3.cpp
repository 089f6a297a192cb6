#include "formats/mp3.h"

#include <utility>

#include "base/text_rules.h"
#include "platform/file.h"

namespace vorne {

namespace {

// The text fields of the tag, by field number (= column index).
struct TextField {
    int field;
    std::size_t offset;
    std::size_t width;
};
constexpr std::array<TextField, 5> kTextFields{{
    {0, 3, 30},   // title
    {3, 33, 30},  // artist
    {4, 63, 30},  // album
    {5, 93, 4},   // year
    {6, 97, 30},  // comment
}};
constexpr int kGenreField = 7;
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

bool IsId3v1Tag(std::span<const std::uint8_t, kId3v1Size> tag) {
    return tag[0] == 'T' && tag[1] == 'A' && tag[2] == 'G';
}

void Mp3Tag::ReadHeader() {
    tag.fill(0);
    hasTag = length >= kTagLength && ReadAt(length - kTagLength, tag) == kId3v1Size && IsId3v1Tag(tag);
    DecodeTexts();
}

void Mp3Tag::DecodeTexts() {
    for (const TextField& f : kTextFields) {
        std::string text = hasTag ? TextUpToNul(FieldBytes(tag, f)) : std::string();
        switch (f.field) {
            case 0: title = std::move(text); break;
            case 3: artist = std::move(text); break;
            case 4: album = std::move(text); break;
            case 5: year = std::move(text); break;
            case 6: comment = std::move(text); break;
        }
    }
}

std::optional<std::string> Mp3Tag::ColumnText(int index) const {
    switch (index) {
        case 0: return title;
        case 1: return FilenameText();
        case 2: return SizeText();
        case 3: return artist;
        case 4: return album;
        case 5: return year;
        case 6: return comment;
        case 7: return hasTag ? std::to_string(tag[kGenre]) : std::string();
        default: return std::nullopt;
    }
}

bool Mp3Tag::SupportsField(int field) const { return field == kGenreField || FindTextField(field) != nullptr; }

// A tag goes where the file as it is on disk has one, or behind the audio: there is nothing a
// write could find out of place.
void Mp3Tag::CheckField(const File&, std::string_view, int) const {}

FieldWrite Mp3Tag::WriteFieldTo(File& file, std::string_view value, int field) {
    const FieldEdit edit{field, std::string(value)};
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
            std::string text(edit.value.substr(0, edit.value.find('\0')));
            if (text.size() < f->width) text += ' ';
            StrncpyFill(FieldBytes(updated, *f), text);
        } else {
            updated[kGenre] = CutTo8(AtoiRule(edit.value));
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
