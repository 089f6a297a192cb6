#include "formats/n64.h"

#include <array>

#include "base/text_rules.h"
#include "platform/file.h"

namespace vorne {

namespace {

// Header offsets.
constexpr std::int64_t kTitle = 0x20;  // 20 bytes
constexpr std::int64_t kManufacturer = 0x3B;
constexpr std::int64_t kCartId = 0x3C;  // 2 bytes
constexpr std::int64_t kCountry = 0x3E;
constexpr std::size_t kTitleSize = 20;
constexpr std::size_t kCartIdSize = 2;

// Where each field WriteField supports goes.
constexpr std::array<FieldPlace, 4> kFieldPlaces{{
    {0, kTitle, kTitleSize},
    {3, kManufacturer, 1},
    {4, kCartId, kCartIdSize},
    {5, kCountry, 1},
}};

// A one-character column: the character, or the empty text for a zero byte.
std::string CharText(char c) { return c == 0 ? std::string() : std::string(1, c); }

}  // namespace

void N64Header::ReadHeader() {
    std::array<std::uint8_t, kHeaderEnd - kTitle> header;  // bytes the file lacks read as zero
    ReadAt(kTitle, header);
    auto at = [&](std::int64_t offset) { return std::span(header).subspan(static_cast<std::size_t>(offset - kTitle)); };
    title = TextUpToNul(at(kTitle).first(kTitleSize));
    manufacturer = static_cast<char>(at(kManufacturer)[0]);
    cartId = TextUpToNul(at(kCartId).first(kCartIdSize));
    country = static_cast<char>(at(kCountry)[0]);
}

std::optional<std::string> N64Header::ColumnText(int index) const {
    switch (index) {
        case 0: return title;
        case 1: return FilenameText();
        case 2: return SizeText();
        case 3: return CharText(manufacturer);
        case 4: return cartId;
        case 5: return CharText(country);
        default: return std::nullopt;
    }
}

bool N64Header::SupportsField(int field) const { return FindFieldPlace(kFieldPlaces, field) != nullptr; }

void N64Header::CheckField(const File& file, std::string_view, int field) const {
    const FieldPlace& place = *FindFieldPlace(kFieldPlaces, field);
    RequireWritable(file, place.offset, place.size);
}

FieldWrite N64Header::WriteFieldTo(File& file, std::string_view value, int field) {
    const FieldPlace* place = FindFieldPlace(kFieldPlaces, field);
    // Every field is text, filled as strncpy fills: a one-character field takes the value's first
    // character, or 0 for the empty value.
    std::array<std::uint8_t, kTitleSize> buffer;
    auto bytes = std::span(buffer).first(place->size);
    StrncpyFill(bytes, value);
    WriteHeaderBytes(file, place->offset, bytes);
    return FieldWrite::Written;
}

}  // namespace vorne
