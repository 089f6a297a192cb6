// N64 images: four fields of the cartridge header at fixed offsets, taken exactly as stored.
//
// No byte order is repaired: an image stored with swapped byte pairs (the .v64 layout) shows its
// title with each pair of characters exchanged. Files shorter than the header (0x3F bytes) read
// as if padded with zero bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>
#include <string_view>

#include "base/rom_header.h"
#include "formats/checksums.h"
#include "formats/n64_byte_order.h"

namespace vorne {

class File;

class N64Header final : public RomHeaderOf<N64Field> {
public:
    static constexpr std::int64_t kHeaderEnd = 0x3F;  // one past the country code

    // The order the image's first word shows.
    N64ByteOrder ByteOrder() const { return byteOrder; }
    // The image in big-endian order (an image of unknown order as stored).
    HashedData DataForHashing() const override;
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
    // Writes one field; the fields in memory keep what was read. A file too short to hold the
    // field is refused (OperationRefused) rather than grown.
    FieldWrite WriteFieldTo(File& file, const FieldValue& value, int field) override;
    void CheckField(const File& file, const FieldValue& value, int field) const override;

    std::string title;   // up to 20 characters
    std::string cartId;  // up to 2 characters
    char manufacturer = 0;
    char country = 0;
    N64ByteOrder byteOrder = N64ByteOrder::Unknown;  // from the first word
};

}  // namespace vorne
