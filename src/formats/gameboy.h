// Game Boy images: the cartridge header at 0x134 to 0x14F, behind an optional 512-byte copier
// header, and the global checksum over the whole image.
//
// Every value of the header is one byte except the global checksum, which is big-endian. An image
// is a multiple of 8 KiB, so a length of 512 more than that, with a blank title where the title
// would stand, marks a copier header. Images shorter than their header read as if padded with
// zero bytes, so every file gives the same columns each time it is read.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>
#include <string_view>

#include "base/code_names.h"
#include "base/rom_header.h"
#include "formats/checksums.h"

namespace vorne {

class File;

// The cartridge types with a name, in code order; other codes show "<unknown: %d>".
inline constexpr std::array<CodeName, 10> kGameboyCartridgeTypes{{
    {0x00, "ROM"},
    {0x01, "ROM+MBC1"},
    {0x02, "ROM+MBC1+RAM"},
    {0x03, "ROM+MBC1+RAM+BATT"},
    {0x05, "ROM+MBC2"},
    {0x06, "ROM+MBC2+BATT"},
    {0x08, "ROM+RAM"},
    {0x09, "ROM+RAM+BATT"},
    {0x13, "ROM+MBC3+RAM+BATT"},
    {0xFF, "ROM+HuC1+RAM+BATT"},
}};

// "ROM+MBC1" for code 1, "<unknown: 4>" for a code the table lacks.
std::string GameboyCartridgeTypeText(std::uint8_t code);
// "256k" for code 3, "<7>k" for a code the table lacks.
std::string GameboyRomSizeText(std::uint8_t code);
// "8k" for code 2, "<5>k" for a code the table lacks.
std::string GameboyRamSizeText(std::uint8_t code);

// The global checksum of `image` (starting at the image base): every byte summed except the two
// that store the checksum, modulo 65536. Bytes the image lacks simply add nothing.
std::uint16_t GlobalChecksum(std::span<const std::uint8_t> image);

class GameboyHeader final : public RomHeaderOf<GameboyField> {
public:
    static constexpr std::int64_t kCopierHeaderSize = 512;
    static constexpr std::int64_t kHeaderStart = 0x134;
    static constexpr std::int64_t kHeaderEnd = 0x150;  // one past the global checksum

    // The global checksum of the file as it is on disk now, from the base found when it was
    // loaded. Throws FileError.
    std::uint16_t CalculateChecksum() const;

    bool HasCopierHeader() const { return hasCopierHeader; }
    std::int64_t Base() const { return hasCopierHeader ? kCopierHeaderSize : 0; }
    std::uint8_t TypeCode() const { return typeCode; }
    std::uint16_t Checksum() const { return checksum; }

    // The stored and computed checksums of `file`, the whole loaded file, and writing the
    // computed ones that differ from `sums` (what SumsOf gave) to it; see checksums.h. Throw
    // OperationRefused.
    std::vector<ChecksumValue> SumsOf(std::span<const std::uint8_t> file) const;
    void WriteChecksums(File& file, const std::vector<ChecksumValue>& sums);

private:
    void ReadHeader() override;
    std::optional<std::string> TextOf(int index) const override;
    std::optional<FieldValue> ValueOf(int field) const override;
    std::optional<FieldType> TypeOf(int field) const override;
    FieldWrite WriteFieldTo(File& file, const FieldValue& value, int field) override;
    void CheckField(const File& file, const FieldValue& value, int field) const override;
    // Writes `bytes` at base + `offset` of the open file; a file too short to hold them is
    // refused (OperationRefused) rather than grown.
    void Put(File& file, std::int64_t offset, std::span<const std::uint8_t> bytes) const;
    FieldWrite WriteLicensee(File& file, std::int32_t number);

    std::array<std::uint8_t, kHeaderEnd - kHeaderStart> rawHeader{};  // 0x134 to 0x14F as read
    std::string title;
    std::string romSizeText;
    std::string typeText;
    std::uint8_t typeCode = 0;
    std::string ramSizeText;
    std::uint8_t licenseeCode = 0;
    bool newLicensee = false;  // the old licensee code is 0x33: shown as "Super GB"
    bool hasCopierHeader = false;
    std::uint8_t destination = 0;
    std::uint16_t checksum = 0;
};

}  // namespace vorne
