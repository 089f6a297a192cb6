#include "formats/n64.h"

#include <array>

#include "base/text_rules.h"
#include "formats/checksum_sums.h"
#include "formats/n64_byte_order.h"
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

// Where each field WriteField supports goes; every one is text.
constexpr std::array<FieldPlace<N64Field>, 4> kFieldPlaces{{
    {N64Field::Title, FieldType::Bytes, kTitle, kTitleSize},
    {N64Field::Licensee, FieldType::Bytes, kManufacturer, 1},
    {N64Field::CartId, FieldType::Bytes, kCartId, kCartIdSize},
    {N64Field::Country, FieldType::Bytes, kCountry, 1},
}};

// A one-character column: the character, or the empty text for a zero byte.
std::string CharText(char c) { return c == 0 ? std::string() : std::string(1, c); }

}  // namespace

RomHeader::Parts N64Header::PartsReadAt() const { return {static_cast<std::int64_t>(sizeof(storedHeader)), 0}; }

void N64Header::ReadHeader() {
    ReadAt(0, storedHeader);  // bytes the file lacks read as zero
    byteOrder = DetectN64ByteOrder(storedHeader);
    std::array<std::uint8_t, 0x40> header = storedHeader;
    ToBigEndian(header, byteOrder);
    auto at = [&](std::int64_t offset) { return std::span(header).subspan(static_cast<std::size_t>(offset)); };
    title = TextUpToNul(at(kTitle).first(kTitleSize));
    manufacturer = static_cast<char>(at(kManufacturer)[0]);
    cartId = TextUpToNul(at(kCartId).first(kCartIdSize));
    country = static_cast<char>(at(kCountry)[0]);
}

HashedData N64Header::DataForHashing() const {
    switch (byteOrder) {
        case N64ByteOrder::ByteSwapped: return {0, length, StoredOrder::SwappedPairs};
        case N64ByteOrder::LittleEndian: return {0, length, StoredOrder::LittleEndianWords};
        default: return {0, length};
    }
}

std::optional<std::string> N64Header::TextOf(int index) const {
    switch (static_cast<Field>(index)) {
        case Field::Title: return title;
        case Field::Filename: return FilenameText();
        case Field::Size: return SizeText();
        case Field::Licensee: return CharText(manufacturer);
        case Field::CartId: return cartId;
        case Field::Country: return CharText(country);
        case Field::ByteOrder: return std::string(N64ByteOrderName(byteOrder));
        default: return std::nullopt;
    }
}

std::optional<FieldValue> N64Header::ValueOf(int field) const {
    if (!SupportsField(field)) return std::nullopt;
    return TextOf(field);  // the fields are texts, as shown
}

std::optional<FieldType> N64Header::TypeOf(int field) const {
    return FieldTypeIn(kFieldPlaces, field);
}

std::pair<std::int64_t, std::size_t> N64Header::StoredSpan(std::int64_t offset, std::size_t size) const {
    if (byteOrder == N64ByteOrder::Unknown || byteOrder == N64ByteOrder::BigEndian) return {offset, size};
    const std::int64_t first = offset & ~std::int64_t{3};
    const std::int64_t end = (offset + static_cast<std::int64_t>(size) + 3) & ~std::int64_t{3};
    return {first, static_cast<std::size_t>(end - first)};
}

void N64Header::CheckField(const File& file, const FieldValue&, int field) const {
    const auto& place = *FindFieldPlace(kFieldPlaces, field);
    const auto [at, size] = StoredSpan(place.offset, place.size);
    RequireWritable(file, at, size);
}

FieldWrite N64Header::WriteFieldTo(File& file, const FieldValue& value, int field) {
    const auto* place = FindFieldPlace(kFieldPlaces, field);
    // Every field is text, filled as strncpy fills: a one-character field takes the value's first
    // character, or 0 for the empty value.
    std::array<std::uint8_t, kTitleSize> buffer;
    auto bytes = std::span(buffer).first(place->size);
    StrncpyFill(bytes, std::get<std::string>(value));
    // The field goes into the header's words as the cartridge holds them, and the words back in
    // the file's order; their other bytes stay as they were.
    std::array<std::uint8_t, 0x40> header = storedHeader;
    ToBigEndian(header, byteOrder);
    std::copy(bytes.begin(), bytes.end(), header.begin() + place->offset);
    FromBigEndian(header, byteOrder);
    const auto [at, size] = StoredSpan(place->offset, place->size);
    const auto stored = std::span(header).subspan(static_cast<std::size_t>(at), size);
    WriteHeaderBytes(file, at, stored);
    std::copy(stored.begin(), stored.end(), storedHeader.begin() + at);
    return FieldWrite::Written;
}

}  // namespace vorne

namespace vorne {

namespace {

constexpr std::int64_t kCrc1 = 0x10;  // CRC1 and CRC2 follow each other, big-endian

std::uint32_t Word(std::span<const std::uint8_t> image, std::size_t at) {
    return std::uint32_t{image[at]} << 24 | std::uint32_t{image[at + 1]} << 16 | std::uint32_t{image[at + 2]} << 8 | image[at + 3];
}

}  // namespace

std::vector<ChecksumValue> N64Header::SumsOf(std::span<const std::uint8_t> file) const {
    if (file.size() < kN64CrcEnd) throw OperationRefused(path + ": too short for the CRCs, which cover 0x1000 to 0x100FFF");
    std::vector<std::uint8_t> image(file.begin(), file.begin() + kN64CrcEnd);
    const N64ByteOrder order = DetectN64ByteOrder(image);
    ToBigEndian(image, order);
    const std::optional<N64Cic> cic = N64CicOfBootCode(image);
    if (!cic) throw OperationRefused(path + ": the boot code is of no CIC chip known (6101, 6102, 6103, 6105, 6106)");
    const auto [crc1, crc2] = N64Crcs(image, *cic);
    return {{"CRC1", Word(image, kCrc1), crc1, 8}, {"CRC2", Word(image, kCrc1 + 4), crc2, 8}};
}

void N64Header::WriteChecksums(File& file, const std::vector<ChecksumValue>& sums) {
    if (sums[0].Right() && sums[1].Right()) return;
    std::array<std::uint8_t, 8> bytes;
    for (int i = 0; i < 4; ++i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(sums[0].computed >> (24 - 8 * i));
        bytes[static_cast<std::size_t>(i) + 4] = static_cast<std::uint8_t>(sums[1].computed >> (24 - 8 * i));
    }
    // In the file's own order: 0x10 starts a word, so the eight bytes convert as they stand.
    FromBigEndian(bytes, byteOrder);
    WriteHeaderBytes(file, kCrc1, bytes);
}

}  // namespace vorne
