// SNES images: the internal header at image offset 0x7FB0 (LoROM) or 0xFFB0 (HiROM), behind an
// optional 512-byte copier header.
//
// Nothing in the image says which place holds the header, so both candidate blocks are scored
// with plausibility rules (ScoreSnesHeader) and the better one wins; ties go to HiROM. Edited
// fields are written back into the block that was chosen. The stored checksum only feeds the
// scoring; nothing here recomputes it.
//
// Files too short to hold a block read its missing bytes as zero, so a short file still gets the
// same columns on every load; a write that would land past the end of the file is refused.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/rom_header.h"
#include "formats/checksums.h"

namespace vorne {

inline constexpr std::size_t kSnesBlockSize = 78;  // 0x7FB0 to 0x7FFD of the image

// The plausibility score of one candidate header block. `hiRomPlace` says the block was read at
// the HiROM place; `length` is the file's length (large files favour HiROM).
int ScoreSnesHeader(std::span<const std::uint8_t, kSnesBlockSize> block, bool hiRomPlace, std::int64_t length);

class SnesHeader final : public RomHeaderOf<SnesField> {
public:
    static constexpr std::int64_t kLoRomPlace = 0x7FB0;
    static constexpr std::int64_t kHiRomPlace = 0xFFB0;
    static constexpr std::int64_t kCopierHeaderSize = 512;

    bool IsHiRom() const { return isHiRom; }
    std::int64_t BlockOffset() const { return blockOffset; }
    const std::array<std::uint8_t, kSnesBlockSize>& RawHeader() const { return rawHeader; }
    bool HasCopierHeader() const { return copierHeader; }
    // The image behind the copier header, when there is one.
    HashedData DataForHashing() const override { return {copierHeader ? kCopierHeaderSize : 0, length}; }

    // The stored and computed checksums of `file`, the whole loaded file, and writing the
    // computed ones that differ from `sums` (what SumsOf gave) to it; see checksums.h. Throw
    // OperationRefused.
    std::vector<ChecksumValue> SumsOf(std::span<const std::uint8_t> file) const;
    void WriteChecksums(File& file, const std::vector<ChecksumValue>& sums);

private:
    void ReadHeader() override;
    Parts PartsReadAt() const override;
    std::optional<std::string> TextOf(int index) const override;
    // The Country field's value is the destination code, 0 to 255 (its column names codes 0 to 13
    // only).
    std::optional<FieldValue> ValueOf(int field) const override;
    std::optional<FieldType> TypeOf(int field) const override;
    FieldWrite WriteFieldTo(File& file, const FieldValue& value, int field) override;
    void CheckField(const File& file, const FieldValue& value, int field) const override;
    // The speed nibble of the map mode says fast.
    bool IsFast() const;

    std::array<std::uint8_t, kSnesBlockSize> rawHeader{};  // the block of the chosen place
    std::int64_t blockOffset = kHiRomPlace;                // file offset of that block
    std::string romSizeText;                               // "4 Mbit", "? Mbit"
    std::string ramSizeText;                               // "64 Kbit", "? Kbit"
    bool isHiRom = true;
    bool copierHeader = false;
};

}  // namespace vorne
