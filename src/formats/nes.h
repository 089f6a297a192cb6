// NES images: the 16-byte iNES header (and its NES 2.0 form), the optional 512-byte trainer
// behind it, the image data, and a title of our own stored behind the data.
//
// An image is a 16-byte header plus whole 512-byte units, so whatever stands after the last whole
// unit beyond the header, (length mod 512) - 16 bytes, is the title trailer; the title field is
// written as 128 bytes. The CRC-32 covers the data between the header and the trailer.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "base/rom_header.h"

namespace vorne {

class KnownNames;

// True for an NES 2.0 header: byte 7 AND 0x0C is 0x08 and the PRG and CHR sizes the header
// declares fit in a file of `length` bytes together with the header and any trainer. A ripper's
// signature written over bytes 7 to 15 fails the size test.
bool IsNes2Header(std::span<const std::uint8_t, 16> header, std::int64_t length);

class NesHeader final : public RomHeaderOf<NesField> {
public:
    static constexpr std::int64_t kHeaderSize = 16;
    static constexpr std::int64_t kTrainerSize = 512;
    static constexpr std::size_t kTitleSize = 128;

    // `knownList` names known images by CRC-32; null when there is none.
    explicit NesHeader(std::shared_ptr<const KnownNames> knownList = nullptr);

    // Cuts the 512-byte trainer out of the loaded file and clears its flag, then loads the file
    // again. The file is rewritten through a temporary file (see RewriteFile). Throws
    // OperationRefused when the file does not begin with the iNES mark (NES and 0x1A), has no
    // trainer or is too short to hold one, FileError when it cannot be rewritten; the file is
    // unchanged then.
    void RemoveTrainer();

    // Clears the reserved header bytes 8 to 15, and byte 7 too when `firstByte`, in one write
    // through `file`, the loaded file opened for reading and writing (what the Reserved and
    // FirstReservedByte fields written empty do, at once). Throws OperationRefused when the bytes do not lie inside the
    // file or it changed since it was loaded (nothing is written then), FileError.
    void ClearReservedBytes(File& file, bool firstByte);

    bool IsNes2() const { return isNes2; }
    unsigned Mapper() const { return mapper; }
    bool HasTrainer() const { return hasTrainer; }
    std::uint32_t Crc() const { return crc; }
    std::int64_t TrailerLength() const { return trailerLength; }
    const std::array<std::uint8_t, 16>& RawHeader() const { return rawHeader; }
    // The bytes the CRC-32 covers: behind the header, the title trailer left out.
    HashedData DataForHashing() const override;

private:
    void ReadHeader() override;
    std::optional<std::string> TextOf(int index) const override;
    std::optional<FieldValue> ValueOf(int field) const override;
    std::optional<FieldType> TypeOf(int field) const override;
    FieldWrite WriteFieldTo(File& file, const FieldValue& value, int field) override;
    void CheckField(const File& file, const FieldValue& value, int field) const override;
    // Where a field other than the title goes.
    FieldPlace<NesField> PlaceOf(Field field) const;
    // Refuses a title for a file whose length leaves no place for one. Throws OperationRefused.
    void RequireTitlePlace() const;
    void WriteMapper(File& file, std::int32_t number);
    void WriteFlag(File& file, int bit, std::int32_t number);
    void WriteTrailerTitle(File& file, std::string_view value);

    std::shared_ptr<const KnownNames> knownList;
    std::string trailerTitle;
    std::string prgText;
    std::string chrText;
    std::array<std::uint8_t, 16> rawHeader{};
    bool hasSram = false;
    bool fourScreen = false;
    bool vertical = false;
    bool hasTrainer = false;
    bool isNes2 = false;
    std::string reserved;  // header bytes 7 to 15 up to the first zero byte
    unsigned mapper = 0;   // 8 bits, 12 in an NES 2.0 header
    std::uint32_t crc = 0;
    std::string crcText;
    std::int64_t trailerLength = 0;  // negative when length mod 512 is below 16: then no trailer
    std::string knownName;
};

}  // namespace vorne
