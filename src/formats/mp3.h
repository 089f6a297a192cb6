// MP3 files: the ID3v1 tag, the last 128 bytes of the file when they begin with the letters TAG,
// and the tags many files carry instead or besides: ID3v2 at the start, APEv2 at the end.
//
// ID3v1 layout: TAG, title (30), artist (30), album (30), year (4), comment (30), genre (1 byte,
// shown as its number). Text fields end at their first zero byte. A comment whose 29th byte is zero
// and whose 30th is not holds an ID3v1.1 track number in that last byte. A file shorter than 128
// bytes has no ID3v1 tag.
//
// A file with an ID3v1 tag shows its values; one without shows those of its ID3v2 tag, or else of
// its APE tag, as UTF-8. The Tags column names the tags the file has. Writes go to the ID3v1 tag
// and, in step, to the ID3v2 tag when the file has one (or when asked to add one).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/rom_header.h"
#include "tags/tag_read.h"

namespace vorne {

inline constexpr std::size_t kId3v1Size = 128;

// True when `tag` (the last 128 bytes of a file) begins with the letters TAG.
bool IsId3v1Tag(std::span<const std::uint8_t, kId3v1Size> tag);

// The type each tag field is written with: the genre a number, the others texts; nullopt for a
// field the tag does not hold.
std::optional<FieldType> Mp3FieldType(int field);

class Mp3Tag final : public RomHeaderOf<Mp3Field> {
public:
    // Cuts the tag off the file, deciding on the file as it is on disk now: a file without a tag
    // is left alone. The cut is a truncation in place, so a failure (thrown as FileError) leaves
    // the file as it was. Returns whether a tag was cut. The reader then shows the file's other
    // tags, read again.
    bool DeleteTag();

    // Takes the ID3v2 tag off the file (the ID3v1 tag stays), deciding on the file as it is on
    // disk now. The audio moves, so the file is rewritten through a temporary file: a failure
    // (thrown as FileError) leaves it as it was. Returns whether a tag was taken off. The reader
    // then shows the file as it is now, read again.
    bool DeleteId3v2Tag();

    bool HasTag() const { return hasTag; }
    // The ID3v2 tag's major version (2, 3 or 4), or 0 when the file has none.
    int Id3v2Version() const { return id3v2Major; }

    // Whether a write gives a file without an ID3v2 tag a new one (ID3v2.3) holding every field.
    // Off by default: a file keeps the tags it has.
    void SetAddId3v2(bool add) { addId3v2 = add; }
    // The fields the next writes change in an ID3v2 tag the file has: all they write (nullopt,
    // the default), or only these (an edit dialog writes every field into the ID3v1 tag, but only
    // those the user changed into the ID3v2 tag, which holds more than ID3v1's 30 characters).
    void SetId3v2Fields(std::optional<std::vector<int>> fields) { id3v2Fields = std::move(fields); }

private:
    void ReadHeader() override;
    Parts PartsReadAt() const override;
    std::optional<std::string> TextOf(int index) const override;
    // The genre has a value only in a tag.
    std::optional<FieldValue> ValueOf(int field) const override;
    std::optional<FieldType> TypeOf(int field) const override;
    // Writes one tag field (the texts: a value shorter than the field is stored with one blank
    // after it; the genre: a number). The tag the file has now is rewritten in place; a file
    // without one gets a new tag appended, whole or not at all, whose fields the edits leave
    // hold what the list showed of its ID3v2 or APE tag (cut to ID3v1's widths, in ISO-8859-1
    // where the text allows), or are blank-started texts and genre 255 when it has none. Several fields go into one tag, written once. A file with an ID3v2 tag (or one to get a
    // new one) is rewritten whole through a temporary file instead, both tags changed in one go.
    // Throws FileError, or TagWriteRefused for an ID3v2 tag that cannot be changed.
    FieldWrite WriteFieldTo(File& file, const FieldValue& value, int field) override;
    std::vector<FieldWrite> WriteEditsTo(File& file, std::span<const FieldEdit> edits) override;
    void CheckField(const File& file, const FieldValue& value, int field) const override;
    // Reads the last 128 bytes of the open file into `out`; true when they are a tag.
    bool ReadTag(const File& file, std::span<std::uint8_t, kId3v1Size> out) const;
    // Fills the text fields from `tag` (empty when there is none).
    void DecodeTexts();
    // The rewrite of a file with an ID3v2 tag (or one to get a new one): both tags changed.
    void RewriteWithId3v2(std::span<const FieldEdit> edits);
    std::string TagsText() const;

    bool hasTag = false;
    std::array<std::uint8_t, kId3v1Size> tag{};  // as read, or as last written
    std::string title;
    std::string artist;
    std::string album;
    std::string year;
    std::string comment;
    int id3v2Major = 0;
    bool hasApe = false;
    TagTexts other;  // the ID3v2 or APE values a file without an ID3v1 tag shows
    bool addId3v2 = false;
    std::optional<std::vector<int>> id3v2Fields;
};

}  // namespace vorne
