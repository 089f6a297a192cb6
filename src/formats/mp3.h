// MP3 files: the ID3v1 tag, the last 128 bytes of the file when they begin with the letters TAG.
//
// Tag layout: TAG, title (30), artist (30), album (30), year (4), comment (30), genre (1 byte,
// shown as its number). Text fields end at their first zero byte. No track number is split from
// the comment. A file shorter than 128 bytes has no tag.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/rom_header.h"

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
    // the file as it was. Returns whether a tag was cut.
    bool DeleteTag();

    bool HasTag() const { return hasTag; }

private:
    void ReadHeader() override;
    Parts PartsReadAt() const override;
    std::optional<std::string> TextOf(int index) const override;
    // The genre has a value only in a tag.
    std::optional<FieldValue> ValueOf(int field) const override;
    std::optional<FieldType> TypeOf(int field) const override;
    // Writes one tag field (the texts: a value shorter than the field is stored with one blank
    // after it; the genre: a number). The tag the file has now is rewritten in place; a file
    // without one gets a new tag appended (blank-started text fields, genre 255), whole or not at
    // all. Several fields go into one tag, written once. Throws FileError.
    FieldWrite WriteFieldTo(File& file, const FieldValue& value, int field) override;
    std::vector<FieldWrite> WriteEditsTo(File& file, std::span<const FieldEdit> edits) override;
    void CheckField(const File& file, const FieldValue& value, int field) const override;
    // Reads the last 128 bytes of the open file into `out`; true when they are a tag.
    bool ReadTag(const File& file, std::span<std::uint8_t, kId3v1Size> out) const;
    // Fills the text fields from `tag` (empty when there is none).
    void DecodeTexts();

    bool hasTag = false;
    std::array<std::uint8_t, kId3v1Size> tag{};  // as read, or as last written
    std::string title;
    std::string artist;
    std::string album;
    std::string year;
    std::string comment;
};

}  // namespace vorne
