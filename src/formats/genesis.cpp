#include "formats/genesis.h"

#include <algorithm>
#include <array>
#include <vector>

#include "base/text_rules.h"
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

constexpr std::size_t kImageStart = 1024;  // what is decoded: image bytes 0 to 1023

// The fields WriteField supports, at image offsets; field numbers are the columns they change,
// 100 the type code.
constexpr std::array<FieldPlace, 7> kFields{{
    {0, kInternationalTitle, 48},
    {3, kProductCode, 10},
    {4, kChecksum, 2},
    {6, kIoSupport, 16},
    {7, kCountries, 3},
    {8, kNativeTitle, 48},
    {100, kTypeCode, 2},
}};

std::string TypeName(const std::string& code) {
    if (code == "GM") return "Game";
    if (code == "A1") return "Educational";
    return "<unknown: " + code + ">";
}

}  // namespace

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

std::optional<std::string> GenesisHeader::ColumnText(int index) const {
    switch (index) {
        case 0: return internationalTitle;
        case 1: return FilenameText();
        case 2: return SizeText();
        case 3: return productCode;
        case 4: return Decimal(checksum);
        case 5: return typeText;
        case 6: return ioSupport;
        case 7: return countries;
        case 8: return nativeTitle;
        case 100: return typeCode;
        default: return std::nullopt;
    }
}

bool GenesisHeader::SupportsField(int field) const { return FindFieldPlace(kFields, field) != nullptr; }

void GenesisHeader::CheckField(const File& file, std::string_view, int field) const {
    const FieldPlace& place = *FindFieldPlace(kFields, field);
    CheckRuns(file, RunsOf(place.offset, std::vector<std::uint8_t>(place.size)));
}

FieldWrite GenesisHeader::WriteFieldTo(File& file, std::string_view value, int field) {
    const FieldPlace* place = FindFieldPlace(kFields, field);

    std::vector<std::uint8_t> bytes(place->size);
    if (place->offset == static_cast<std::int64_t>(kChecksum)) {
        std::uint16_t number = CutTo16(AtoiRule(value));
        bytes[0] = static_cast<std::uint8_t>(number >> 8);  // high byte first
        bytes[1] = static_cast<std::uint8_t>(number);
    } else {
        StrncpyFill(bytes, value);  // zero bytes after a shorter text
    }
    WriteImageBytes(file, place->offset, bytes);

    // The field in memory keeps the new value; the type name stays as read.
    std::string newText = TextUpToNul(bytes);
    switch (field) {
        case 0: internationalTitle = newText; break;
        case 3: productCode = newText; break;
        case 4: checksum = static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]); break;
        case 6: ioSupport = newText; break;
        case 7: countries = newText; break;
        case 8: nativeTitle = newText; break;
        case 100: typeCode = newText; break;
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
