// Genesis and 32X images: the cartridge header at image offsets 0x100 to 0x1FF, read from a file
// in either of two layouts.
//
// Linear: the image bytes in order; the text at 0x100 starts with SEGA.
// Interleaved (the copier layout): (length mod 16384) bytes of copier header, usually 512 or 0,
// then blocks of 2H bytes, H being 8 KiB for Genesis and 512 KiB for 32X. The first H bytes of a
// block hold the block's odd image bytes (1, 3, 5, ...), the second H bytes its even ones. The
// header always lies in the first block.
//
// A file is 32X when the character 3 of "SEGA 32X" (image byte 0x105) stands at file offset 0x82
// (an interleaved file without copier header), at 0x105 (a linear file), or, in an interleaved
// file with a copier header, at 0x82 plus the header's size.
// A file too short for the bytes the layout needs reads the missing ones as zero; a write that
// would land past its end is refused.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/rom_header.h"
#include "formats/checksums.h"

namespace vorne {

class GenesisHeader final : public RomHeaderOf<GenesisField> {
public:
    static constexpr std::int64_t kGenesisHalfBlock = 8192;
    static constexpr std::int64_t k32XHalfBlock = 0x80000;
    // The copier header of an interleaved file is what its length exceeds whole 16 KiB units by.
    static constexpr std::int64_t kCopierUnit = 16384;

    // What the layout conversion takes from a loaded file.
    bool IsInterleaved() const { return isInterleaved; }
    bool IsGenesis() const { return isGenesis; }              // false: a 32X image
    std::int64_t HalfBlockSize() const { return halfBlockSize; }  // H

    // Refuses (OperationRefused) a file whose data is not whole blocks of 2H bytes (behind a
    // copier header of 512 bytes or none, for an interleaved one): converted, or summed, a file cut
    // short or with stray bytes would come out useless, empty or out of step.
    void RequireWholeBlocks() const;

    std::uint16_t Checksum() const { return checksum; }
    // The linear image: an interleaved file's blocks behind its copier header.
    HashedData DataForHashing() const override;

    // The stored and computed checksums of `file`, the whole loaded file, and writing the
    // computed ones that differ from `sums` (what SumsOf gave) to it; see checksums.h. Throw
    // OperationRefused.
    std::vector<ChecksumValue> SumsOf(std::span<const std::uint8_t> file) const;
    void WriteChecksums(File& file, const std::vector<ChecksumValue>& sums);

private:
    // A run of bytes at one place of the file.
    struct Run {
        std::int64_t at;
        std::vector<std::uint8_t> bytes;
    };

    void ReadHeader() override;
    Parts PartsReadAt() const override;
    std::optional<std::string> TextOf(int index) const override;
    std::optional<FieldValue> ValueOf(int field) const override;
    std::optional<FieldType> TypeOf(int field) const override;
    FieldWrite WriteFieldTo(File& file, const FieldValue& value, int field) override;
    void CheckField(const File& file, const FieldValue& value, int field) const override;
    // Where `bytes` at image offset `imageOffset` (even) go in the file's own layout.
    std::vector<Run> RunsOf(std::int64_t imageOffset, std::span<const std::uint8_t> bytes) const;
    void CheckRuns(const File& file, const std::vector<Run>& runs) const;
    // Writes `bytes` at image offset `imageOffset` (even) in the file's own layout.
    void WriteImageBytes(File& file, std::int64_t imageOffset, std::span<const std::uint8_t> bytes);

    std::string nativeTitle;         // 0x120, 48 bytes
    std::string internationalTitle;  // 0x150, 48 bytes
    std::string typeCode;            // 0x180, 2 bytes: "GM" for a game
    std::string productCode;         // 0x182, 10 bytes
    std::uint16_t checksum = 0;      // 0x18E, big-endian
    std::string ioSupport;           // 0x190, 16 bytes
    std::string countries;           // 0x1F0, 3 bytes
    std::string typeText;            // name of typeCode, as read (a write leaves it)
    bool isInterleaved = false;
    bool isGenesis = true;
    std::int64_t halfBlockSize = kGenesisHalfBlock;
};

}  // namespace vorne
