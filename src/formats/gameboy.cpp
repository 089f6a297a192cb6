#include "formats/gameboy.h"

#include <algorithm>
#include <vector>

#include "base/chunked_read.h"
#include "base/code_names.h"
#include "base/text_rules.h"
#include "formats/checksum_sums.h"
#include "platform/file.h"

namespace vorne {

namespace {

// Header offsets, from the image base.
constexpr std::int64_t kTitle = 0x134;        // 16 bytes, not necessarily terminated
constexpr std::int64_t kNewLicensee = 0x144;  // two ASCII characters, used when the old code is 0x33
constexpr std::int64_t kCartridgeType = 0x147;
constexpr std::int64_t kRomSize = 0x148;
constexpr std::int64_t kRamSize = 0x149;
constexpr std::int64_t kDestination = 0x14A;  // 0 = Japan
constexpr std::int64_t kOldLicensee = 0x14B;
constexpr std::int64_t kGlobalChecksum = 0x14E;  // big-endian
constexpr std::size_t kTitleSize = 16;

constexpr std::uint8_t kUseNewLicensee = 0x33;

// Where each field WriteField supports goes, from the image base, and what it takes.
constexpr std::array<FieldPlace<GameboyField>, 6> kFieldPlaces{{
    {GameboyField::Title, FieldType::Bytes, kTitle, kTitleSize},
    {GameboyField::Checksum, FieldType::Number, kGlobalChecksum, 2},
    {GameboyField::Licensee, FieldType::Number, kOldLicensee, 1},
    {GameboyField::SuperGameboy, FieldType::Flag, kOldLicensee, 1},
    {GameboyField::Country, FieldType::Number, kDestination, 1},
    {GameboyField::Type, FieldType::Number, kCartridgeType, 1},
}};
constexpr std::int64_t kImageUnit = 8192;

// Kilobytes, without the k.
constexpr std::array<CodeName, 10> kRomSizes{{
    {0x00, "32"}, {0x01, "64"}, {0x02, "128"}, {0x03, "256"}, {0x04, "512"},
    {0x05, "1024"}, {0x06, "2048"}, {0x34, "1152"}, {0x35, "1280"}, {0x36, "1536"},
}};

constexpr std::array<CodeName, 4> kRamSizes{{{0x00, "0"}, {0x01, "2"}, {0x02, "8"}, {0x03, "16"}}};

// A size in kilobytes and the letter k; a code the table does not name shows as "<code>k".
template <std::size_t N>
std::string KiloText(const std::array<CodeName, N>& table, std::uint8_t code) {
    if (auto name = NameOf(table, code)) return std::string(*name) + "k";
    std::string text(1, '<');
    text += std::to_string(code);
    text += ">k";
    return text;
}

// Adds the bytes that stand at `offset` of the image to `sum`, leaving out the two that store the
// checksum. Wrapping at 2^32 keeps the sum right modulo 65536.
std::uint32_t AddToGlobalChecksum(std::uint32_t sum, std::int64_t offset, std::span<const std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) sum += b;
    for (std::uint8_t b : PartWithin(offset, bytes, kGlobalChecksum, kGlobalChecksum + 2)) sum -= b;
    return sum;
}

}  // namespace

std::string GameboyCartridgeTypeText(std::uint8_t code) {
    auto name = NameOf(kGameboyCartridgeTypes, code);
    return name ? std::string(*name) : UnknownCodeText(code);
}

std::string GameboyRomSizeText(std::uint8_t code) { return KiloText(kRomSizes, code); }
std::string GameboyRamSizeText(std::uint8_t code) { return KiloText(kRamSizes, code); }

std::uint16_t GlobalChecksum(std::span<const std::uint8_t> image) {
    return static_cast<std::uint16_t>(AddToGlobalChecksum(0, 0, image));
}

void GameboyHeader::ReadHeader() {
    newLicensee = false;

    // Copier header test: an image is whole 8 KiB units, so 512 bytes more may be a copier
    // header; it is one when the 16 bytes where the title would stand are all zero.
    hasCopierHeader = false;
    if (length % kImageUnit == kCopierHeaderSize) {
        std::array<std::uint8_t, kTitleSize> probe;
        ReadAt(kTitle, probe);
        hasCopierHeader = std::all_of(probe.begin(), probe.end(), [](std::uint8_t b) { return b == 0; });
    }

    // Bytes the file lacks read as zero.
    ReadAt(Base() + kHeaderStart, rawHeader);
    auto at = [this](std::int64_t offset) { return rawHeader[static_cast<std::size_t>(offset - kHeaderStart)]; };

    title = TextUpToNul(std::span(rawHeader).first(kTitleSize));
    typeCode = at(kCartridgeType);
    typeText = GameboyCartridgeTypeText(typeCode);
    romSizeText = GameboyRomSizeText(at(kRomSize));
    ramSizeText = GameboyRamSizeText(at(kRamSize));
    destination = at(kDestination);

    licenseeCode = at(kOldLicensee);
    if (licenseeCode == kUseNewLicensee) {
        // The two characters as hexadecimal digits: "01" gives 1, "13" gives 0x13; a letter
        // gives its low four bits ("A4" gives 0x14).
        newLicensee = true;
        licenseeCode = static_cast<std::uint8_t>((at(kNewLicensee) << 4) | (at(kNewLicensee + 1) & 0x0F));
    }
    checksum = static_cast<std::uint16_t>((at(kGlobalChecksum) << 8) | at(kGlobalChecksum + 1));
}

std::optional<std::string> GameboyHeader::TextOf(int index) const {
    switch (static_cast<GameboyField>(index)) {
        case Field::Title: return title;
        case Field::Filename: return FilenameText();
        case Field::Size: return SizeText();
        case Field::RomSize: return romSizeText;
        case Field::Sram: return ramSizeText;
        case Field::Checksum: return std::to_string(checksum);
        case Field::Licensee: return std::to_string(licenseeCode);
        case Field::SuperGameboy: return newLicensee ? "Yes" : "No";
        case Field::Country: return destination == 0 ? "Japan" : "Other";
        case Field::Type: return typeText;
        case Field::TypeCode: return std::to_string(typeCode);
        default: return std::nullopt;
    }
}

std::optional<FieldValue> GameboyHeader::ValueOf(int field) const {
    switch (static_cast<GameboyField>(field)) {
        case Field::Title: return title;
        case Field::Checksum: return std::int32_t{checksum};
        case Field::Licensee: return std::int32_t{licenseeCode};
        case Field::SuperGameboy: return newLicensee;
        case Field::Country: return std::int32_t{destination};  // 0: Japan
        case Field::Type: return std::int32_t{typeCode};
        default: return std::nullopt;
    }
}

std::optional<FieldType> GameboyHeader::TypeOf(int field) const {
    return FieldTypeIn(kFieldPlaces, field);
}

void GameboyHeader::CheckField(const File& file, const FieldValue&, int field) const {
    const auto& place = *FindFieldPlace(kFieldPlaces, field);
    RequireWritable(file, Base() + place.offset, place.size);
}

FieldWrite GameboyHeader::WriteFieldTo(File& file, const FieldValue& value, int field) {
    FieldWrite done = FieldWrite::Written;
    switch (static_cast<GameboyField>(field)) {
        case Field::Title: {
            std::array<std::uint8_t, kTitleSize> bytes;
            StrncpyFill(bytes, std::get<std::string>(value));
            Put(file, kTitle, bytes);
            title = TextUpToNul(bytes);
            break;
        }
        case Field::Checksum: {  // the stored checksum only; `checksum` keeps what was read
            std::uint16_t number = CutTo16(std::get<std::int32_t>(value));
            std::array<std::uint8_t, 2> bytes{static_cast<std::uint8_t>(number >> 8),
                                              static_cast<std::uint8_t>(number)};
            Put(file, kGlobalChecksum, bytes);
            break;
        }
        case Field::Licensee:
            done = WriteLicensee(file, std::get<std::int32_t>(value));
            break;
        case Field::SuperGameboy:
            // The "Super GB" mark can be cleared but not set: a set flag keeps it as it is; a clear
            // one, or a number, clears it and stores the number (0 for the clear flag) as the old
            // licensee code. Setting it has no spelling in the file, so nothing is written then.
            if (value != FieldValue(true)) {
                newLicensee = false;
            } else if (!newLicensee) {
                done = FieldWrite::NothingToWrite;
                break;
            }
            done = WriteLicensee(file, FlagNumber(value));
            break;
        case Field::Country: {
            std::uint8_t byte = CutTo8(std::get<std::int32_t>(value));
            Put(file, kDestination, std::span(&byte, 1));
            break;
        }
        case Field::Type: {  // `typeCode` and `typeText` keep what was read
            std::uint8_t byte = CutTo8(std::get<std::int32_t>(value));
            Put(file, kCartridgeType, std::span(&byte, 1));
            break;
        }
        default: break;
    }
    return done;
}

FieldWrite GameboyHeader::WriteLicensee(File& file, std::int32_t number) {
    licenseeCode = CutTo8(number);
    // With the mark set the code lives in the two characters at 0x144, and there is no rule for
    // spelling a number into them: the file is left alone.
    if (newLicensee) return FieldWrite::NothingToWrite;
    Put(file, kOldLicensee, std::span(&licenseeCode, 1));
    return FieldWrite::Written;
}

void GameboyHeader::Put(File& file, std::int64_t offset, std::span<const std::uint8_t> bytes) const {
    WriteHeaderBytes(file, Base() + offset, bytes);
}

std::uint16_t GameboyHeader::CalculateChecksum() const {
    // A chunk at a time: an image of any size costs its reading time and a chunk of memory.
    File file = File::OpenRead(path);
    std::vector<std::uint8_t> buffer;
    std::uint32_t sum = 0;
    ReadInChunks(file, Base(), file.Size(), buffer, [&](std::int64_t at, std::span<const std::uint8_t> bytes) {
        sum = AddToGlobalChecksum(sum, at - Base(), bytes);
    });
    return static_cast<std::uint16_t>(sum);
}

}  // namespace vorne

namespace vorne {

namespace {

constexpr std::int64_t kHeaderChecksum = 0x14D;

}  // namespace

std::vector<ChecksumValue> GameboyHeader::SumsOf(std::span<const std::uint8_t> file) const {
    const auto image = file.subspan(static_cast<std::size_t>(std::min<std::int64_t>(Base(), static_cast<std::int64_t>(file.size()))));
    if (image.size() < static_cast<std::size_t>(kHeaderEnd)) throw OperationRefused(path + ": too short to hold its header");
    const std::uint8_t header = GameboyHeaderChecksum(image);
    // The global checksum counts the header checksum too: the one it will hold.
    const auto global = static_cast<std::uint16_t>(GlobalChecksum(image) - image[kHeaderChecksum] + header);
    return {
        {"Header checksum", image[kHeaderChecksum], header, 2},
        {"Global checksum", static_cast<std::uint32_t>(image[kGlobalChecksum] << 8 | image[kGlobalChecksum + 1]), global, 4},
    };
}

void GameboyHeader::WriteChecksums(File& file, const std::vector<ChecksumValue>& sums) {
    const std::uint8_t header[] = {static_cast<std::uint8_t>(sums[0].computed)};
    const std::uint8_t global[] = {static_cast<std::uint8_t>(sums[1].computed >> 8), static_cast<std::uint8_t>(sums[1].computed)};
    RequireWritable(file, Base() + kHeaderChecksum, 3);
    if (!sums[0].Right()) Put(file, kHeaderChecksum, header);
    if (!sums[1].Right()) Put(file, kGlobalChecksum, global);
}

}  // namespace vorne
