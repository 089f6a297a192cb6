#include "formats/checksums.h"

#include <cstdio>

#include "formats/gameboy.h"
#include "formats/genesis.h"
#include "formats/n64.h"
#include "formats/snes.h"
#include "platform/file.h"

namespace vorne {

namespace {

// Calls `work` with the reader as its own kind, or returns `none` for a kind without checksums.
template <typename Work>
std::vector<ChecksumValue> AsKind(RomHeader& reader, Work work) {
    if (auto* r = dynamic_cast<GameboyHeader*>(&reader)) return work(*r);
    if (auto* r = dynamic_cast<SnesHeader*>(&reader)) return work(*r);
    if (auto* r = dynamic_cast<N64Header*>(&reader)) return work(*r);
    if (auto* r = dynamic_cast<GenesisHeader*>(&reader)) return work(*r);
    return {};
}

// Opens the file for writing, checks it is the one loaded, and writes the sums that are wrong.
template <typename Reader>
std::vector<ChecksumValue> Fix(Reader& reader) {
    File file = File::OpenReadWrite(reader.Path());
    std::vector<std::uint8_t> bytes;
    file.ReadAll(bytes);
    if (static_cast<std::int64_t>(bytes.size()) != reader.Length()) {
        throw OperationRefused(reader.Path() + ": the file changed since it was read; nothing was written");
    }
    std::vector<ChecksumValue> sums = reader.SumsOf(bytes);
    reader.WriteChecksums(file, sums);
    file.Close();
    return sums;
}

}  // namespace

bool HasChecksums(RomType type) {
    return type == RomType::Gameboy || type == RomType::Snes || type == RomType::N64 || type == RomType::Genesis ||
           type == RomType::Genesis32X;
}

std::vector<ChecksumValue> ComputeChecksums(RomHeader& reader) {
    return AsKind(reader, [](auto& r) { return r.SumsOf(ReadWholeFile(r.Path())); });
}

std::vector<ChecksumValue> FixChecksums(RomHeader& reader) {
    return AsKind(reader, [](auto& r) {
        std::vector<ChecksumValue> found = Fix(r);
        r.LoadFile(r.Path());
        return found;
    });
}

std::string ChecksumText(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

}  // namespace vorne
