// DAT files: lists of the known good dumps of a system, each game with the ROMs it holds and
// their sizes and hashes. Three formats are read (Logiqx XML, MAME software lists, ClrMamePro
// text), from a plain file or from a zip archive that holds one.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vorne {

using Sha1Digest = std::array<std::uint8_t, 20>;
using Md5Digest = std::array<std::uint8_t, 16>;
using Sha256Digest = std::array<std::uint8_t, 32>;

enum class DatFormat { Logiqx, SoftwareList, ClrMamePro };

struct DatHeader {
    std::string name;
    std::string description;
    std::string category;
    std::string version;
    std::string date;
    std::string author;
    std::string email;
    std::string homepage;
    std::string url;
    std::string comment;
};

// The header's fields by their names in a Logiqx <header> (and a ClrMamePro clrmamepro block), in
// the order Logiqx writes them.
struct HeaderField {
    const char* name;
    std::string DatHeader::*value;
};
inline constexpr std::array<HeaderField, 10> kHeaderFields{{
    {"name", &DatHeader::name},
    {"description", &DatHeader::description},
    {"category", &DatHeader::category},
    {"version", &DatHeader::version},
    {"date", &DatHeader::date},
    {"author", &DatHeader::author},
    {"email", &DatHeader::email},
    {"homepage", &DatHeader::homepage},
    {"url", &DatHeader::url},
    {"comment", &DatHeader::comment},
}};

struct DatRom {
    std::string name;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::optional<Sha1Digest> sha1;
    std::optional<Md5Digest> md5;
    std::optional<Sha256Digest> sha256;
    std::uint32_t game = 0;  // index into DatFile::games
    // A file can be this ROM: false for one ROM of a software entry made of several (a cartridge
    // split into its PRG and CHR chips), which no single file is.
    bool matchable = true;
};

struct DatGame {
    std::string name;
    std::string description;
    std::uint32_t firstRom = 0;  // its ROMs are roms[firstRom] to roms[firstRom + romCount - 1]
    std::uint32_t romCount = 0;
};

struct DatFile {
    DatFormat format = DatFormat::Logiqx;
    DatHeader header;
    std::vector<DatGame> games;
    std::vector<DatRom> roms;
    // ROMs left out because a size or a hash was missing or malformed.
    std::size_t skipped = 0;

    // The warning that names the ROMs left out; empty when none were.
    std::string SkippedWarning(std::string_view path) const;
};

// A DAT that cannot be read: the message names the file and the line (or byte) where it broke.
class DatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the DAT at `path`; a zip archive is opened and its first member that is a DAT (.dat or
// .xml, else the first member) is read. Throws DatError (also for a file that cannot be read).
DatFile LoadDatFile(const std::string& path);

// Parses DAT text held in memory, telling the format from the text; `name` names it in errors.
// Throws DatError.
DatFile ParseDat(std::string_view text, const std::string& name);

// The ROMs of one (size, CRC-32), found without a search through the DAT.
class DatIndex {
public:
    DatIndex() = default;
    explicit DatIndex(const DatFile& dat);
    // The indices into dat.roms of the matchable ROMs of that size and CRC-32, in DAT order.
    std::span<const std::uint32_t> Find(std::uint64_t size, std::uint32_t crc) const;
    bool Contains(std::uint64_t size, std::uint32_t crc) const { return !Find(size, crc).empty(); }
    // Whether a matchable ROM has that size: before a file's CRC-32 is known, whether it could match.
    bool HasSize(std::uint64_t size) const;

private:
    struct Key {
        std::uint64_t size;
        std::uint32_t crc;
        std::uint32_t first;  // into romsByKey
        std::uint32_t count;
    };
    std::vector<Key> keys;  // sorted by (size, crc)
    std::vector<std::uint32_t> romsByKey;
};

// Lower-case hex of a digest or CRC-32, and back (nullopt for anything but exactly that many
// hex digits).
std::string HexText(std::span<const std::uint8_t> bytes);
std::string CrcText(std::uint32_t crc);
std::optional<std::uint32_t> ParseCrc(std::string_view text);
template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> ParseDigest(std::string_view text);
// A ROM size: decimal, or hex after 0x.
std::optional<std::uint64_t> ParseRomSize(std::string_view text);

}  // namespace vorne
