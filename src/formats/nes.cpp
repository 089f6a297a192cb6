#include "formats/nes.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/chunked_read.h"
#include "base/crc32.h"
#include "base/known_names.h"
#include "base/text_rules.h"
#include "platform/file.h"
#include "platform/rewrite.h"

namespace vorne {

namespace {

// Header bytes.
constexpr int kPrgBanks = 4;   // 16 KiB units
constexpr int kChrBanks = 5;   // 8 KiB units
constexpr int kFlags6 = 6;     // mirroring, SRAM, trainer, four-screen, mapper low nibble
constexpr int kFlags7 = 7;     // mapper high nibble; also the first reserved byte
constexpr int kMapperHigh = 8; // NES 2.0: mapper bits 8 to 11 in the low nibble
constexpr int kSizeHigh = 9;   // NES 2.0: PRG (low nibble) and CHR (high nibble) size bits 8 to 11

constexpr int kReservedBytes = 9;  // bytes 7 to 15
constexpr std::int64_t kReservedRemainder = 8;  // bytes 8 to 15
constexpr std::size_t kReservedRemainderSize = 8;

constexpr std::array<std::uint8_t, 4> kInesMark{'N', 'E', 'S', 0x1A};

constexpr int kTrainerBit = 2;
// The flag fields, Mirroring to FourScreen, are bits 0 to 3 of byte 6.
constexpr int kFirstFlagField = FieldNumber(NesField::Mirroring);
constexpr int kLastFlagField = FieldNumber(NesField::FourScreen);

// A size of NES 2.0's exponent form, EEEEEEMM: 2^E * (MM * 2 + 1) bytes. Sizes past any file
// (E of 40 and more) come back as -1.
std::int64_t ExponentSize(std::uint8_t value) {
    int exponent = value >> 2;
    if (exponent >= 40) return -1;
    return (std::int64_t{1} << exponent) * ((value & 3) * 2 + 1);
}

std::int64_t DeclaredSize(std::uint8_t low, unsigned highNibble, std::int64_t unit) {
    if (highNibble == 0xF) return ExponentSize(low);
    return static_cast<std::int64_t>((highNibble << 8) | low) * unit;
}

// The trailer is what stands after the last whole 512-byte unit behind the header. A file whose
// length mod 512 is below 16 gives a negative length: it has none (its tail is not a trailer we
// wrote).
std::int64_t TrailerLengthOf(std::int64_t length) { return length % 512 - NesHeader::kHeaderSize; }

const char* YesNo(bool value) { return value ? "Yes" : "No"; }

std::string KiloText(int kilobytes) { return std::to_string(kilobytes) + "k"; }

}  // namespace

bool IsNes2Header(std::span<const std::uint8_t, 16> header, std::int64_t length) {
    if ((header[kFlags7] & 0x0C) != 0x08) return false;
    std::int64_t prg = DeclaredSize(header[kPrgBanks], header[kSizeHigh] & 0x0F, 16384);
    std::int64_t chr = DeclaredSize(header[kChrBanks], header[kSizeHigh] >> 4, 8192);
    if (prg < 0 || chr < 0) return false;
    std::int64_t trainer = (header[kFlags6] >> kTrainerBit) & 1 ? NesHeader::kTrainerSize : 0;
    return NesHeader::kHeaderSize + trainer + prg + chr <= length;
}

NesHeader::NesHeader(std::shared_ptr<const KnownNames> list) : knownList(std::move(list)) {}

void NesHeader::ReadHeader() {
    trailerLength = TrailerLengthOf(length);
    const std::int64_t trailer = std::max<std::int64_t>(trailerLength, 0);
    const std::int64_t dataEnd = length - trailer;  // the CRC covers offset 16 up to here
    const std::int64_t titleEnd = dataEnd + std::min<std::int64_t>(trailer, kTitleSize);

    // One pass over the file serves the header, the CRC and the trailer; a large image goes by
    // in chunks, so it costs its reading time and no more than a chunk of memory.
    rawHeader.fill(0);
    std::array<std::uint8_t, kTitleSize> titleField{};
    auto title = std::span(titleField).first(static_cast<std::size_t>(titleEnd - dataEnd));
    crc = 0;
    ForEachChunk([&](std::int64_t at, std::span<const std::uint8_t> bytes) {
        CopyWithin(at, bytes, 0, rawHeader);
        crc = Crc32(PartWithin(at, bytes, kHeaderSize, dataEnd), crc);
        CopyWithin(at, bytes, dataEnd, title);
    });
    trailerTitle = TextUpToNul(title);

    const auto& h = rawHeader;

    reserved = TextUpToNul(std::span(h).subspan(kFlags7, kReservedBytes));
    prgText = KiloText(h[kPrgBanks] * 16);
    chrText = KiloText(h[kChrBanks] * 8);
    vertical = h[kFlags6] & 1;
    hasSram = (h[kFlags6] >> 1) & 1;
    hasTrainer = (h[kFlags6] >> kTrainerBit) & 1;
    fourScreen = (h[kFlags6] >> 3) & 1;

    isNes2 = IsNes2Header(h, length);
    if (isNes2) {
        mapper = (h[kFlags6] >> 4) | (h[kFlags7] & 0xF0) | ((h[kMapperHigh] & 0x0F) << 8);
    } else {
        // Anything in the low nibble of byte 7 (typically the first letter of a signature written
        // over bytes 7 to 15) marks the byte as garbage, and its high nibble is ignored.
        unsigned high = (h[kFlags7] & 0x0F) == 0 ? h[kFlags7] : 0;
        mapper = (h[kFlags6] >> 4) | high;
    }

    char text[9];
    std::snprintf(text, sizeof text, "%08x", crc);
    crcText = text;
    knownName = knownList ? knownList->LookUpKnownName(crcText) : std::string();
}

HashedData NesHeader::DataForHashing() const {
    const std::int64_t from = std::min(kHeaderSize, length);
    return {from, std::max(from, length - std::max<std::int64_t>(trailerLength, 0))};
}

std::optional<std::string> NesHeader::TextOf(int index) const {
    switch (static_cast<Field>(index)) {
        case Field::Crc: return crcText;
        case Field::Filename: return FilenameText();
        case Field::Size: return SizeText();
        case Field::Mapper: return std::to_string(mapper);
        case Field::PrgRom: return prgText;
        case Field::ChrRom: return chrText;
        case Field::Mirroring: return vertical ? "Vertical" : "Horizontal";
        case Field::Sram: return YesNo(hasSram);
        case Field::Trainer: return YesNo(hasTrainer);
        case Field::FourScreen: return YesNo(fourScreen);
        case Field::InternalTitle: return trailerTitle;
        case Field::Reserved: return reserved;
        case Field::ArtificialTitle: return knownName;
        default: return std::nullopt;
    }
}

std::optional<FieldValue> NesHeader::ValueOf(int field) const {
    switch (static_cast<Field>(field)) {
        case Field::Mapper: return static_cast<std::int32_t>(mapper);
        case Field::Mirroring: return vertical;
        case Field::Sram: return hasSram;
        case Field::Trainer: return hasTrainer;
        case Field::FourScreen: return fourScreen;
        case Field::InternalTitle: return trailerTitle;
        // Bytes 7 to 15 show up to their first zero byte: byte 7 first, then the remainder.
        case Field::FirstReservedByte: return reserved.substr(0, 1);
        case Field::Reserved: return reserved.size() > 1 ? reserved.substr(1) : std::string();
        default: return std::nullopt;
    }
}

std::optional<FieldType> NesHeader::TypeOf(int field) const {
    switch (static_cast<Field>(field)) {
        case Field::Mapper: return FieldType::Number;
        case Field::Mirroring:
        case Field::Sram:
        case Field::Trainer:
        case Field::FourScreen: return FieldType::Flag;
        case Field::InternalTitle:
        case Field::Reserved:
        case Field::FirstReservedByte: return FieldType::Bytes;
        default: return std::nullopt;
    }
}

void NesHeader::CheckField(const File& file, const FieldValue& value, int field) const {
    if (field != FieldNumber(Field::InternalTitle)) {
        const FieldPlace<NesField> place = PlaceOf(static_cast<Field>(field));
        RequireWritable(file, place.offset, place.size);
        return;
    }
    // Where the trailer lies was worked out from the length at load time.
    const bool empty = std::get<std::string>(value).empty();
    if (empty && trailerLength <= 0) return;  // nothing to cut
    RequireUnchanged(file);
    if (!empty) RequireTitlePlace();
}

FieldPlace<NesField> NesHeader::PlaceOf(Field field) const {
    switch (field) {
        case Field::Mapper:  // bytes 6, 7 (and 8)
            return {field, FieldType::Number, kFlags6, isNes2 ? std::size_t{3} : std::size_t{2}};
        case Field::Reserved: return {field, FieldType::Bytes, kReservedRemainder, kReservedRemainderSize};
        case Field::FirstReservedByte: return {field, FieldType::Bytes, kFlags7, 1};
        default: return {field, FieldType::Flag, kFlags6, 1};  // the flag bits
    }
}

void NesHeader::RequireTitlePlace() const {
    // A title is read back from behind a 16-byte header and whole 512-byte units; a file whose
    // length has 0 to 15 bytes over such units has no such place (a title appended to it would
    // read back shifted), and making one would change the data the CRC covers.
    if (trailerLength < 0) {
        throw OperationRefused(path + ": its length leaves no place for a title behind the data (a title goes behind "
                                      "a 16-byte header and whole 512-byte units)");
    }
}

FieldWrite NesHeader::WriteFieldTo(File& file, const FieldValue& value, int field) {
    if (field == FieldNumber(Field::InternalTitle)) {
        WriteTrailerTitle(file, std::get<std::string>(value));
        return FieldWrite::Written;
    }
    if (field == FieldNumber(Field::Mapper)) {
        WriteMapper(file, std::get<std::int32_t>(value));
        return FieldWrite::Written;
    }
    if (field >= kFirstFlagField && field <= kLastFlagField) {
        WriteFlag(file, field - kFirstFlagField, FlagNumber(value));
        return FieldWrite::Written;
    }
    const std::string& text = std::get<std::string>(value);
    if (field == FieldNumber(Field::Reserved)) {
        std::array<std::uint8_t, kReservedRemainderSize> remainder;
        StrncpyFill(remainder, text);
        WriteHeaderBytes(file, kReservedRemainder, remainder);
        std::copy(remainder.begin(), remainder.end(), rawHeader.begin() + kReservedRemainder);
    } else {  // the first reserved byte
        std::uint8_t first = text.empty() ? 0 : static_cast<std::uint8_t>(text[0]);
        WriteHeaderBytes(file, kFlags7, std::span(&first, 1));
        rawHeader[kFlags7] = first;
    }
    reserved = TextUpToNul(std::span(rawHeader).subspan(kFlags7, kReservedBytes));
    return FieldWrite::Written;
}

void NesHeader::ClearReservedBytes(File& file, bool firstByte) {
    const std::int64_t from = firstByte ? kFlags7 : kReservedRemainder;
    const std::array<std::uint8_t, kReservedBytes> zeros{};
    WriteHeaderBytes(file, from, std::span(zeros).last(static_cast<std::size_t>(kHeaderSize - from)));
    std::fill(rawHeader.begin() + from, rawHeader.end(), std::uint8_t{0});
    reserved = TextUpToNul(std::span(rawHeader).subspan(kFlags7, kReservedBytes));
}

void NesHeader::WriteMapper(File& file, std::int32_t number) {
    std::array<std::uint8_t, 3> bytes{};  // header bytes 6, 7 and 8
    file.ReadAt(kFlags6, bytes);
    if (isNes2) {
        // Twelve bits: the low nibble of byte 7 (the NES 2.0 mark) stays, bits 8 to 11 go to byte 8.
        mapper = static_cast<unsigned>(number) & 0xFFF;
        bytes[0] = static_cast<std::uint8_t>((bytes[0] & 0x0F) | ((mapper & 0x0F) << 4));
        bytes[1] = static_cast<std::uint8_t>((bytes[1] & 0x0F) | (mapper & 0xF0));
        bytes[2] = static_cast<std::uint8_t>((bytes[2] & 0xF0) | (mapper >> 8));
    } else {
        // Eight bits; writing byte 7 whole clears its low nibble, so the mapper reads back.
        mapper = CutTo8(number);
        bytes[0] = static_cast<std::uint8_t>((bytes[0] & 0x0F) | ((mapper & 0x0F) << 4));
        bytes[1] = static_cast<std::uint8_t>(mapper & 0xF0);
    }
    WriteHeaderBytes(file, kFlags6, std::span(bytes).first(PlaceOf(Field::Mapper).size));
}

void NesHeader::WriteFlag(File& file, int bit, std::int32_t number) {
    std::uint8_t flags = 0;
    // Checked before the byte is read: a file too short to hold it reads it as zero.
    RequireWritable(file, kFlags6, 1);
    file.ReadAt(kFlags6, std::span(&flags, 1));
    // A check box sends 0 or 1; any other number (typed for a flag) flips the bit.
    if (((flags >> bit) & 1) != number) {
        flags ^= static_cast<std::uint8_t>(1u << bit);
        WriteHeaderBytes(file, kFlags6, std::span(&flags, 1));
    }
}

void NesHeader::WriteTrailerTitle(File& file, std::string_view value) {
    if (value.empty() && trailerLength <= 0) return;
    std::array<std::uint8_t, kTitleSize> title;
    StrncpyFill(title, value);
    RequireUnchanged(file);
    if (value.empty()) {
        // The trailer is cut off in place: the file keeps its links, owner and attributes.
        file.Truncate(length - trailerLength);
        length -= trailerLength;
    } else {
        RequireTitlePlace();
        // A 128-byte title replaces the first 128 bytes of the trailer, or goes behind the data of
        // a file without one; a shorter trailer grows to 128 bytes.
        WriteGrowing(file, length - trailerLength, title);
    }
    // The reader describes the file as it is now, so that a further write finds the trailer.
    trailerLength = TrailerLengthOf(length);
    trailerTitle = TextUpToNul(title);
}

void NesHeader::RemoveTrainer() {
    // Decided on the file as it is now, through the descriptor that the rewrite opened for writing.
    RewriteFile(path, [this](const File& original, RewriteOutput& out) {
        std::array<std::uint8_t, kHeaderSize> header{};
        const std::size_t got = original.ReadAt(0, header);
        if (got < kInesMark.size() || !std::equal(kInesMark.begin(), kInesMark.end(), header.begin())) {
            throw OperationRefused(path + ": is not an iNES image (it does not begin with NES and 0x1A)");
        }
        if (original.Size() < kHeaderSize + kTrainerSize) throw OperationRefused(path + ": too short to hold a trainer");
        if (((header[kFlags6] >> kTrainerBit) & 1) == 0) throw OperationRefused(path + ": has no trainer");
        header[kFlags6] &= static_cast<std::uint8_t>(~(1u << kTrainerBit));
        out.Write(header);
        out.CopyRest(original, kHeaderSize + kTrainerSize);
    });
    LoadFile(path);
}

}  // namespace vorne
