#include "formats/genesis.h"

#include <algorithm>
#include <array>
#include <vector>

#include "base/text_rules.h"
#include "formats/checksum_sums.h"
#include "platform/file.h"

namespace vorne {

namespace {

// File offsets of the classification bytes.
constexpr std::int64_t kInterleaved32XMark = 0x82;  // image byte 0x105 of an interleaved 32X file
constexpr std::int64_t kLinear32XMark = 0x105;      // the 3 of "SEGA 32X"
constexpr std::int64_t kSystemName = 0x100;         // "SEGA" in a linear file

// Image offsets of the header fields.
constexpr std::size_t kNativeTitle = 0x120;
constexpr std::size_t kInternationalTitle = 0x150;
constexpr std::size_t kTypeCode = 0x180;
constexpr std::size_t kProductCode = 0x182;
constexpr std::size_t kChecksum = 0x18E;
constexpr std::size_t kIoSupport = 0x190;
constexpr std::size_t kCountries = 0x1F0;

constexpr std::int64_t kInterleavedHeaderSize = 512;  // a copier's header, if it wrote one

constexpr std::size_t kImageStart = 1024;  // what is decoded: image bytes 0 to 1023

// The fields WriteField supports, at image offsets: texts, but for the checksum.
constexpr std::array<FieldPlace<GenesisField>, 7> kFields{{
    {GenesisField::InternationalTitle, FieldType::Bytes, kInternationalTitle, 48},
    {GenesisField::ProductCode, FieldType::Bytes, kProductCode, 10},
    {GenesisField::Checksum, FieldType::Number, kChecksum, 2},
    {GenesisField::IoSupport, FieldType::Bytes, kIoSupport, 16},
    {GenesisField::Countries, FieldType::Bytes, kCountries, 3},
    {GenesisField::NativeTitle, FieldType::Bytes, kNativeTitle, 48},
    {GenesisField::TypeCode, FieldType::Bytes, kTypeCode, 2},
}};

std::string TypeName(const std::string& code) {
    if (code == "GM") return "Game";
    if (code == "A1") return "Educational";
    return "<unknown: " + code + ">";
}

}  // namespace

// An interleaved 32X file's even half-block, moved along by a copier header, is the furthest.
RomHeader::Parts GenesisHeader::PartsReadAt() const { return {kCopierUnit + k32XHalfBlock + static_cast<std::int64_t>(kImageStart / 2), 0}; }

void GenesisHeader::ReadHeader() {
    std::array<std::uint8_t, 4> system;
    ReadAt(kSystemName, system);
    isInterleaved = !std::equal(system.begin(), system.end(), "SEGA");
    const std::int64_t skip = isInterleaved ? length % kCopierUnit : 0;

    // The 3 of "SEGA 32X": where an interleaved file without copier header keeps it, where a
    // linear one does, and (for an interleaved file with a copier header) the first place moved
    // along by that header. Without the last one such a 32X file would be taken for Genesis, read
    // with the wrong half-block size, and written into its program code.
    auto isMark = [this](std::int64_t at) {
        std::uint8_t byte = 0;
        ReadAt(at, std::span(&byte, 1));
        return byte == '3';
    };
    isGenesis = !(isMark(kInterleaved32XMark) || isMark(kLinear32XMark) ||
                  (skip != 0 && isMark(skip + kInterleaved32XMark)));
    halfBlockSize = isGenesis ? kGenesisHalfBlock : k32XHalfBlock;

    // Image bytes 0 to 1023; whatever a short file lacks reads as zero.
    std::array<std::uint8_t, kImageStart> image;
    if (!isInterleaved) {
        ReadAt(0, image);
    } else {
        std::array<std::uint8_t, kImageStart / 2> odd;
        std::array<std::uint8_t, kImageStart / 2> even;
        ReadAt(skip, odd);
        ReadAt(skip + halfBlockSize, even);
        for (std::size_t i = 0; i < odd.size(); ++i) {
            image[2 * i] = even[i];
            image[2 * i + 1] = odd[i];
        }
    }

    auto text = [&image](std::size_t at, std::size_t size) { return TextUpToNul(std::span(image).subspan(at, size)); };
    nativeTitle = text(kNativeTitle, 48);
    internationalTitle = text(kInternationalTitle, 48);
    typeCode = text(kTypeCode, 2);
    productCode = text(kProductCode, 10);
    checksum = static_cast<std::uint16_t>(image[kChecksum] << 8 | image[kChecksum + 1]);
    ioSupport = text(kIoSupport, 16);
    countries = text(kCountries, 3);
    typeText = TypeName(typeCode);
}

HashedData GenesisHeader::DataForHashing() const {
    if (!isInterleaved) return {0, length};
    return {length % kCopierUnit, length, StoredOrder::Interleaved, halfBlockSize};
}

std::optional<std::string> GenesisHeader::TextOf(int index) const {
    switch (static_cast<Field>(index)) {
        case Field::InternationalTitle: return internationalTitle;
        case Field::Filename: return FilenameText();
        case Field::Size: return SizeText();
        case Field::ProductCode: return productCode;
        case Field::Checksum: return Decimal(checksum);
        case Field::Type: return typeText;
        case Field::IoSupport: return ioSupport;
        case Field::Countries: return countries;
        case Field::NativeTitle: return nativeTitle;
        case Field::TypeCode: return typeCode;
        default: return std::nullopt;
    }
}

std::optional<FieldValue> GenesisHeader::ValueOf(int field) const {
    if (field == FieldNumber(Field::Checksum)) return std::int32_t{checksum};
    if (!SupportsField(field)) return std::nullopt;
    return TextOf(field);  // the other fields are texts, as shown
}

std::optional<FieldType> GenesisHeader::TypeOf(int field) const { return FieldTypeIn(kFields, field); }

void GenesisHeader::CheckField(const File& file, const FieldValue&, int field) const {
    const auto& place = *FindFieldPlace(kFields, field);
    CheckRuns(file, RunsOf(place.offset, std::vector<std::uint8_t>(place.size)));
}

FieldWrite GenesisHeader::WriteFieldTo(File& file, const FieldValue& value, int field) {
    const auto* place = FindFieldPlace(kFields, field);

    std::vector<std::uint8_t> bytes(place->size);
    if (place->type == FieldType::Number) {  // the checksum
        std::uint16_t number = CutTo16(std::get<std::int32_t>(value));
        bytes[0] = static_cast<std::uint8_t>(number >> 8);  // high byte first
        bytes[1] = static_cast<std::uint8_t>(number);
    } else {
        StrncpyFill(bytes, std::get<std::string>(value));  // zero bytes after a shorter text
    }
    WriteImageBytes(file, place->offset, bytes);

    // The field in memory keeps the new value; the type name stays as read.
    std::string newText = TextUpToNul(bytes);
    switch (place->field) {
        case Field::InternationalTitle: internationalTitle = newText; break;
        case Field::ProductCode: productCode = newText; break;
        case Field::Checksum: checksum = static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]); break;
        case Field::IoSupport: ioSupport = newText; break;
        case Field::Countries: countries = newText; break;
        case Field::NativeTitle: nativeTitle = newText; break;
        case Field::TypeCode: typeCode = newText; break;
        default: break;
    }
    return FieldWrite::Written;
}

std::vector<GenesisHeader::Run> GenesisHeader::RunsOf(std::int64_t imageOffset, std::span<const std::uint8_t> bytes) const {
    // The whole field in a linear file; in an interleaved one, the field's odd-positioned bytes
    // (odd image offsets) go to the first half-block and its even-positioned ones to the second.
    // A 3-byte field has one more even byte.
    if (!isInterleaved) return {{imageOffset, {bytes.begin(), bytes.end()}}};
    std::int64_t skip = length % kCopierUnit;
    Run odd{skip + imageOffset / 2, {}};
    Run even{skip + halfBlockSize + imageOffset / 2, {}};
    for (std::size_t i = 0; i < bytes.size(); ++i) (i % 2 == 0 ? even : odd).bytes.push_back(bytes[i]);
    return {std::move(odd), std::move(even)};
}

void GenesisHeader::CheckRuns(const File& file, const std::vector<Run>& runs) const {
    // The layout was decided for the file as loaded, and a write past its end would grow it:
    // every run is checked before the first byte is written.
    for (const Run& run : runs) RequireWritable(file, run.at, run.bytes.size());
}

void GenesisHeader::WriteImageBytes(File& file, std::int64_t imageOffset, std::span<const std::uint8_t> bytes) {
    std::vector<Run> runs = RunsOf(imageOffset, bytes);
    CheckRuns(file, runs);
    for (const Run& run : runs) WriteHeaderBytes(file, run.at, run.bytes);
}

}  // namespace vorne

namespace vorne {

void GenesisHeader::RequireWholeBlocks() const {
    const std::int64_t skip = isInterleaved ? length % kCopierUnit : 0;
    const std::int64_t block = 2 * halfBlockSize;
    const std::int64_t data = length - skip;
    const bool headerFits = skip == 0 || skip == kInterleavedHeaderSize;
    if (headerFits && data > 0 && data % block == 0) return;
    throw OperationRefused(path + ": its length, " + std::to_string(length) + " bytes, is not whole blocks of " +
                           std::to_string(block) + " bytes" +
                           (isInterleaved ? " (behind a copier header of 512 bytes or none)" : "") + "; left as it is");
}

std::vector<ChecksumValue> GenesisHeader::SumsOf(std::span<const std::uint8_t> file) const {
    std::vector<std::uint8_t> linear;
    if (isInterleaved) {
        // An incomplete last block would be summed as zeros.
        RequireWholeBlocks();
        // Each block of 2H bytes: its odd image bytes first, then its even ones.
        const auto skip = static_cast<std::size_t>(length % kCopierUnit);
        const auto half = static_cast<std::size_t>(halfBlockSize);
        linear.assign(file.size() - std::min(file.size(), skip), 0);
        for (std::size_t block = 0; block + 2 * half <= linear.size(); block += 2 * half) {
            for (std::size_t k = 0; k < half; ++k) {
                linear[block + 2 * k + 1] = file[skip + block + k];
                linear[block + 2 * k] = file[skip + block + half + k];
            }
        }
    } else {
        linear.assign(file.begin(), file.end());
    }
    if (linear.size() < 0x200) throw OperationRefused(path + ": too short to hold its header");
    const auto stored = static_cast<std::uint32_t>(linear[kChecksum] << 8 | linear[kChecksum + 1]);
    return {{"Checksum", stored, GenesisChecksum(linear), 4}};
}

void GenesisHeader::WriteChecksums(File& file, const std::vector<ChecksumValue>& sums) {
    if (sums[0].Right()) return;
    const std::uint8_t bytes[] = {static_cast<std::uint8_t>(sums[0].computed >> 8), static_cast<std::uint8_t>(sums[0].computed)};
    WriteImageBytes(file, kChecksum, bytes);
}

}  // namespace vorne
