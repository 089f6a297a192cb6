#include "formats/snes.h"

#include <algorithm>

#include "base/text_rules.h"
#include "formats/checksum_sums.h"
#include "formats/snes_tables.h"
#include "platform/file.h"

namespace vorne {

namespace {

// Offsets within the 78-byte block (add 0x7FB0 for the LoROM image offset).
constexpr std::size_t kMakerCode = 0x00;     // 6 bytes: maker and game code of the extended header
constexpr std::size_t kMakerCodeSize = 6;
constexpr std::size_t kTitle = 0x10;         // 21 bytes
constexpr std::size_t kTitleSize = 21;
constexpr std::size_t kMapMode = 0x25;       // the "Makeup Byte": speed in the high nibble, map in the low
constexpr std::size_t kCartridgeType = 0x26;
constexpr std::size_t kRomSize = 0x27;
constexpr std::size_t kSramSize = 0x28;
constexpr std::size_t kDestination = 0x29;
constexpr std::size_t kLicensee = 0x2A;
constexpr std::size_t kComplement = 0x2C;    // checksum complement, low byte first
constexpr std::size_t kChecksum = 0x2E;      // checksum, low byte first
constexpr std::size_t kResetHigh = 0x4D;     // high byte of the emulation-mode reset vector

constexpr std::int64_t kHiRomDistance = 0x8000;    // the HiROM place lies 32 KiB after the LoROM one
constexpr std::int64_t kLargeImage = 0x300000;     // 3 MB: above it, HiROM is the rule
constexpr std::int64_t kCopierUnit = 8192;         // images are whole 8 KiB units

constexpr std::uint8_t kExtendedLicensee = 0x33;

// Where each field WriteField supports goes in the block, and what it takes.
constexpr std::array<FieldPlace<SnesField>, 5> kFieldPlaces{{
    {SnesField::Title, FieldType::Bytes, kTitle, kTitleSize},
    {SnesField::Type, FieldType::Number, kCartridgeType, 1},
    {SnesField::Country, FieldType::Number, kDestination, 1},
    {SnesField::MapMode, FieldType::Number, kMapMode, 1},
    {SnesField::LicenseeCode, FieldType::Number, kLicensee, 1},
}};

bool AnyHighBit(std::span<const std::uint8_t> bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b >= 0x80; });
}

std::string CartridgeTypeText(std::uint8_t code) {
    auto name = NameOf(snes::kCartridgeTypes, code);
    return name ? std::string(*name) : UnknownCodeText(code);
}

std::string DestinationText(std::uint8_t code) {
    if (code < snes::kDestinations.size()) return std::string(snes::kDestinations[code]);
    return std::string(snes::DecimalText(code));  // no name: the code, as for unnamed licensees
}

}  // namespace

int ScoreSnesHeader(std::span<const std::uint8_t, kSnesBlockSize> b, bool hiRomPlace, std::int64_t length) {
    int score = 0;

    // Size: images above 3 MB are HiROM as a rule.
    if (hiRomPlace && length > kLargeImage) score += 4;

    // Strong evidence, 2 points each.
    // Checksum plus complement make 0xFFFF (byte by byte 0xFF 0xFF).
    int pairSum = (b[kChecksum + 1] + b[kComplement + 1]) * 256 + b[kChecksum] + b[kComplement];
    if (pairSum == 0xFFFF) score += 2;
    // Licensee 0x33 announces the extended header.
    if (b[kLicensee] == kExtendedLicensee) score += 2;
    // Map modes 0 to 3 in the low nibble are the usual ones.
    if ((b[kMapMode] & 0x0F) < 4) score += 2;

    // Strong counter-evidence: a reset vector below 0x8000 points outside the ROM.
    if ((b[kResetHigh] & 0x80) == 0) score -= 4;

    // Weak counter-evidence, 1 point each.
    // ROM size: 2^((code - 7) mod 32) as a signed 32-bit number must not exceed 48, so codes
    // 6 to 12 (mod 32) pass; code 6 passes because 2^31 is negative in 32 bits.
    unsigned exponent = static_cast<unsigned>(b[kRomSize] - 7) & 31u;
    if (static_cast<std::int32_t>(std::uint32_t{1} << exponent) > 48) score -= 1;
    // Maker and game code, and title, are plain ASCII in a real header.
    if (AnyHighBit(b.subspan(kMakerCode, kMakerCodeSize))) score -= 1;
    if (AnyHighBit(b.subspan(kTitle, kTitleSize))) score -= 1;

    return score;
}

// The HiROM block behind a copier header is the furthest.
RomHeader::Parts SnesHeader::PartsReadAt() const { return {kCopierHeaderSize + kLoRomPlace + kHiRomDistance + static_cast<std::int64_t>(kSnesBlockSize), 0}; }

void SnesHeader::ReadHeader() {
    // A 512-byte copier header shows as a length of 512 beyond whole 8 KiB units.
    std::int64_t base = kLoRomPlace;
    copierHeader = length % kCopierUnit == kCopierHeaderSize;
    if (copierHeader) base += kCopierHeaderSize;

    // Each place read on its own: two small reads cost less than one that copies the 32 KiB
    // between them. Bytes past the end of a short file read as zero.
    std::array<std::uint8_t, kSnesBlockSize> hiBlock;
    std::array<std::uint8_t, kSnesBlockSize> loBlock;
    ReadAt(base, loBlock);
    ReadAt(base + kHiRomDistance, hiBlock);
    int hi = ScoreSnesHeader(hiBlock, true, length);
    int lo = ScoreSnesHeader(loBlock, false, length);

    // LoROM must win outright; a tie goes to HiROM.
    isHiRom = !(lo > hi);
    blockOffset = isHiRom ? base + kHiRomDistance : base;
    rawHeader = isHiRom ? hiBlock : loBlock;

    romSizeText = std::string(NameOf(snes::kRomSizes, rawHeader[kRomSize]).value_or("?")) + " Mbit";
    ramSizeText = std::string(NameOf(snes::kSramSizes, rawHeader[kSramSize]).value_or("?")) + " Kbit";
}

std::optional<std::string> SnesHeader::TextOf(int index) const {
    const auto& h = rawHeader;
    switch (static_cast<Field>(index)) {
        case Field::Title: return TextUpToNul(std::span(h).subspan(kTitle, kTitleSize));
        case Field::Filename: return FilenameText();
        case Field::Size: return SizeText();
        case Field::HiLo: return isHiRom ? "HiRom" : "LoRom";
        case Field::Speed: return IsFast() ? "Fast" : "Slow";
        case Field::RomSize: return romSizeText;
        case Field::Sram: return ramSizeText;
        case Field::Type: return CartridgeTypeText(h[kCartridgeType]);
        case Field::Country: return DestinationText(h[kDestination]);
        case Field::Licensee: return std::string(snes::kLicensees[h[kLicensee]]);
        case Field::MapMode: return Decimal(h[kMapMode]);
        case Field::TypeCode: return Decimal(h[kCartridgeType]);
        case Field::LicenseeCode: return Decimal(h[kLicensee]);
        default: return std::nullopt;
    }
}

std::optional<FieldValue> SnesHeader::ValueOf(int field) const {
    const auto& h = rawHeader;
    switch (static_cast<Field>(field)) {
        case Field::Title: return TextUpToNul(std::span(h).subspan(kTitle, kTitleSize));
        case Field::HiLo: return isHiRom;
        case Field::Speed: return IsFast();
        case Field::Type: return std::int32_t{h[kCartridgeType]};
        case Field::Country: return std::int32_t{h[kDestination]};
        case Field::MapMode: return std::int32_t{h[kMapMode]};
        case Field::LicenseeCode: return std::int32_t{h[kLicensee]};
        default: return std::nullopt;
    }
}

bool SnesHeader::IsFast() const { return (rawHeader[kMapMode] & 0xF0) == 0x30; }

std::optional<FieldType> SnesHeader::TypeOf(int field) const {
    return FieldTypeIn(kFieldPlaces, field);
}

void SnesHeader::CheckField(const File& file, const FieldValue&, int field) const {
    const auto& place = *FindFieldPlace(kFieldPlaces, field);
    RequireWritable(file, blockOffset + place.offset, place.size);
}

FieldWrite SnesHeader::WriteFieldTo(File& file, const FieldValue& value, int field) {
    const auto* place = FindFieldPlace(kFieldPlaces, field);
    std::array<std::uint8_t, kTitleSize> buffer;
    auto bytes = std::span(buffer).first(place->size);
    if (place->type == FieldType::Bytes) {
        StrncpyFill(bytes, std::get<std::string>(value));  // zero bytes after a shorter title, not blanks
    } else {
        bytes[0] = CutTo8(std::get<std::int32_t>(value));
    }
    // The place was chosen for the file as loaded: the write checks that its length is the same.
    WriteHeaderBytes(file, blockOffset + place->offset, bytes);
    std::copy(bytes.begin(), bytes.end(), rawHeader.begin() + place->offset);
    return FieldWrite::Written;
}

}  // namespace vorne

namespace vorne {

std::vector<ChecksumValue> SnesHeader::SumsOf(std::span<const std::uint8_t> file) const {
    const std::int64_t copier = blockOffset - (isHiRom ? kHiRomPlace : kLoRomPlace);
    const auto block = static_cast<std::size_t>(blockOffset - copier);
    if (file.size() < static_cast<std::size_t>(blockOffset) + kSnesBlockSize) {
        throw OperationRefused(path + ": too short to hold its header");
    }
    const auto image = file.subspan(static_cast<std::size_t>(copier));
    auto stored = [&](std::size_t at) { return static_cast<std::uint32_t>(image[block + at] | image[block + at + 1] << 8); };
    const std::uint16_t sum = SnesChecksum(image, block);
    return {
        {"Checksum", stored(kChecksum), sum, 4},
        {"Complement", stored(kComplement), static_cast<std::uint16_t>(sum ^ 0xFFFF), 4},
    };
}

void SnesHeader::WriteChecksums(File& file, const std::vector<ChecksumValue>& sums) {
    if (sums[0].Right() && sums[1].Right()) return;
    const std::uint32_t sum = sums[0].computed, complement = sums[1].computed;
    const std::uint8_t bytes[] = {static_cast<std::uint8_t>(complement), static_cast<std::uint8_t>(complement >> 8),
                                  static_cast<std::uint8_t>(sum), static_cast<std::uint8_t>(sum >> 8)};
    WriteHeaderBytes(file, blockOffset + static_cast<std::int64_t>(kComplement), bytes);
}

}  // namespace vorne
