#include "formats/snes.h"

#include <algorithm>

#include "base/text_rules.h"
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

// Fields of WriteField: the column they change, or an extra code of the edit dialog.
constexpr int kTitleField = 0;
constexpr int kTypeField = 7;
constexpr int kDestinationField = 8;
constexpr int kMapModeField = 100;
constexpr int kTypeCodeField = 101;
constexpr int kLicenseeField = 102;

// Where each field WriteField supports goes in the block.
constexpr std::array<FieldPlace, 5> kFieldPlaces{{
    {kTitleField, kTitle, kTitleSize},
    {kTypeField, kCartridgeType, 1},
    {kDestinationField, kDestination, 1},
    {kMapModeField, kMapMode, 1},
    {kLicenseeField, kLicensee, 1},
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

void SnesHeader::ReadHeader() {
    // A 512-byte copier header shows as a length of 512 beyond whole 8 KiB units.
    std::int64_t base = kLoRomPlace;
    if (length % kCopierUnit == kCopierHeaderSize) base += kCopierHeaderSize;

    std::array<std::uint8_t, kSnesBlockSize> hiBlock;
    std::array<std::uint8_t, kSnesBlockSize> loBlock;
    ReadAt(base + kHiRomDistance, hiBlock);  // bytes past the end of a short file read as zero
    ReadAt(base, loBlock);
    int hi = ScoreSnesHeader(hiBlock, true, length);
    int lo = ScoreSnesHeader(loBlock, false, length);

    // LoROM must win outright; a tie goes to HiROM.
    isHiRom = !(lo > hi);
    blockOffset = isHiRom ? base + kHiRomDistance : base;
    rawHeader = isHiRom ? hiBlock : loBlock;

    romSizeText = std::string(NameOf(snes::kRomSizes, rawHeader[kRomSize]).value_or("?")) + " Mbit";
    ramSizeText = std::string(NameOf(snes::kSramSizes, rawHeader[kSramSize]).value_or("?")) + " Kbit";
}

std::optional<std::string> SnesHeader::ColumnText(int index) const {
    const auto& h = rawHeader;
    switch (index) {
        case 0: return TextUpToNul(std::span(h).subspan(kTitle, kTitleSize));
        case 1: return FilenameText();
        case 2: return SizeText();
        case 3: return isHiRom ? "HiRom" : "LoRom";
        case 4: return (h[kMapMode] & 0xF0) == 0x30 ? "Fast" : "Slow";
        case 5: return romSizeText;
        case 6: return ramSizeText;
        case 7: return CartridgeTypeText(h[kCartridgeType]);
        case 8: return DestinationText(h[kDestination]);
        case 9: return std::string(snes::kLicensees[h[kLicensee]]);
        case kMapModeField: return Decimal(h[kMapMode]);
        case kTypeCodeField: return Decimal(h[kCartridgeType]);
        case kLicenseeField: return Decimal(h[kLicensee]);
        default: return std::nullopt;
    }
}

std::uint8_t SnesHeader::DestinationCode() const { return rawHeader[kDestination]; }

bool SnesHeader::SupportsField(int field) const { return FindFieldPlace(kFieldPlaces, field) != nullptr; }

void SnesHeader::CheckField(const File& file, std::string_view, int field) const {
    const FieldPlace& place = *FindFieldPlace(kFieldPlaces, field);
    RequireWritable(file, blockOffset + place.offset, place.size);
}

FieldWrite SnesHeader::WriteFieldTo(File& file, std::string_view value, int field) {
    const FieldPlace* place = FindFieldPlace(kFieldPlaces, field);
    std::array<std::uint8_t, kTitleSize> buffer;
    auto bytes = std::span(buffer).first(place->size);
    if (field == kTitleField) {
        StrncpyFill(bytes, value);  // zero bytes after a shorter title, not blanks
    } else {
        bytes[0] = CutTo8(AtoiRule(value));
    }
    // The place was chosen for the file as loaded: the write checks that its length is the same.
    WriteHeaderBytes(file, blockOffset + place->offset, bytes);
    std::copy(bytes.begin(), bytes.end(), rawHeader.begin() + place->offset);
    return FieldWrite::Written;
}

}  // namespace vorne
