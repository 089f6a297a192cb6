// N64 images: four fields of the cartridge header at fixed offsets, in the image's own byte order.
//
// The first word tells the order (see n64_byte_order.h): the header is decoded as the cartridge
// holds it, big-endian, and edited fields go back in the file's order, so a title reads right in
// a .z64, .v64 or .n64 file alike. An image whose first word is none of the three is taken as
// stored. Files shorter than the header (0x40 bytes) read as if padded with zero bytes.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>
#include <string_view>
#include <utility>

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
    Parts PartsReadAt() const override;
    std::optional<std::string> TextOf(int index) const override;
    std::optional<FieldValue> ValueOf(int field) const override;
    std::optional<FieldType> TypeOf(int field) const override;
    // Writes one field; the fields in memory keep what was read. A file too short to hold the
    // field is refused (OperationRefused) rather than grown.
    FieldWrite WriteFieldTo(File& file, const FieldValue& value, int field) override;
    void CheckField(const File& file, const FieldValue& value, int field) const override;
    // The words of the file that hold header bytes [offset, offset + size): in a file stored in
    // another order a field's bytes lie scattered over them, so whole words are written.
    std::pair<std::int64_t, std::size_t> StoredSpan(std::int64_t offset, std::size_t size) const;

    std::string title;   // up to 20 characters
    std::string cartId;  // up to 2 characters
    char manufacturer = 0;
    char country = 0;
    N64ByteOrder byteOrder = N64ByteOrder::Unknown;  // from the first word
    std::array<std::uint8_t, 0x40> storedHeader{};     // as the file holds it, with the writes made since
};

}  // namespace vorne
