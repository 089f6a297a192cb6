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

// A one-character column: the character, or the empty text for a zero byte.
std::string CharText(char c) { return c == 0 ? std::string() : std::string(1, c); }

std::uint8_t FirstByte(std::string_view value) { return value.empty() ? 0 : static_cast<std::uint8_t>(value[0]); }

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

bool N64Header::SupportsField(int field) const { return field == 0 || field == 3 || field == 4 || field == 5; }

bool N64Header::WriteField(std::string_view value, int field) {
    if (!SupportsField(field)) return false;
    File file = File::OpenReadWrite(path);
    switch (field) {
        case 0: {
            std::array<std::uint8_t, kTitleSize> bytes;
            StrncpyFill(bytes, value);
            Put(file, kTitle, bytes);
            break;
        }
        case 4: {
            std::array<std::uint8_t, kCartIdSize> bytes;
            StrncpyFill(bytes, value);
            Put(file, kCartId, bytes);
            break;
        }
        case 3:
        case 5: {
            std::uint8_t byte = FirstByte(value);
            Put(file, field == 3 ? kManufacturer : kCountry, std::span(&byte, 1));
            break;
        }
    }
    file.Close();
    return true;
}

void N64Header::Put(File& file, std::int64_t offset, std::span<const std::uint8_t> bytes) const {
    RequireInside(file, offset, bytes.size());
    file.WriteAt(offset, bytes);
}

}  // namespace vorne
