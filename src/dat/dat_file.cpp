#include "dat/dat_file.h"

#include <algorithm>
#include <cstring>

#include "archive/member_data.h"
#include "archive/zip_reader.h"
#include "platform/directory.h"
#include "dat/dat_parsers.h"
#include "platform/file.h"
#include "platform/file_error.h"

namespace vorne {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Which member of a zipped DAT holds it: the first named .dat or .xml, else the first file.
std::optional<std::size_t> DatMember(const ZipArchive& archive) {
    const auto& entries = archive.Entries();
    std::optional<std::size_t> first;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string& name = entries[i].name;
        if (name.empty() || name.back() == '/') continue;
        if (HasExtension(name, "dat") || HasExtension(name, "xml")) return i;
        if (!first) first = i;
    }
    return first;
}

std::string BreakMessage(const std::string& name, std::string_view original, const XmlBreak& at) {
    return name + ": line " + std::to_string(LineOf(original, at.offset)) + " (byte " + std::to_string(at.offset) +
           "): " + at.description;
}

// Tells the format from the first character that is not a blank (after a byte order mark):
// XML begins with '<'.
DatFile ParseInPlace(std::span<char> text, const std::string& name) {
    std::size_t start = 0;
    if (text.size() >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0) start = 3;  // a UTF-8 byte order mark
    while (start < text.size() && (text[start] == ' ' || text[start] == '\t' || text[start] == '\r' || text[start] == '\n')) ++start;
    if (start == text.size()) throw DatError(name + ": the file is empty");
    if (text[start] == '<') return ParseXmlDat(text, name);
    return ParseClrMameProDat(std::string_view(text.data(), text.size()), name);
}

// The member is inflated once and parsed inside its own buffer, as a plain DAT is: no copy of
// 25 MB of text. Only when it breaks is it inflated again, for the line.
DatFile LoadZippedDat(const std::string& path) {
    ZipStatus status;
    auto archive = ZipArchive::Open(path, status);
    if (!archive || !archive->HasDirectory()) throw DatError(path + ": " + (status.Ok() ? "cannot be read" : status.Reason()));
    const auto member = DatMember(*archive);
    if (!member) throw DatError(path + ": the archive holds no DAT");
    const std::string name = path + " <" + archive->Entries()[*member].name + ">";
    MemberData data;
    const ZipStatus read = archive->ReadEntry(*member, data);
    if (!read.Ok()) throw DatError(path + ": " + read.Reason());
    const std::span<std::uint8_t> bytes = data.Room();
    try {
        return ParseInPlace(std::span(reinterpret_cast<char*>(bytes.data()), bytes.size()), name);
    } catch (const XmlBreak& at) {
        data = MemberData();
        MemberData again;
        std::string_view original;
        if (archive->ReadEntry(*member, again).Ok()) original = std::string_view(reinterpret_cast<const char*>(again.data()), again.size());
        throw DatError(BreakMessage(name, original, at));
    }
}

}  // namespace

std::string DatFile::SkippedWarning(std::string_view path) const {
    if (skipped == 0) return {};
    return std::string(path) + ": " + std::to_string(skipped) + (skipped == 1 ? " ROM" : " ROMs") +
           " left out (missing or malformed size or hash)";
}

std::string HexText(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(bytes.size() * 2, '0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text[2 * i] = kDigits[bytes[i] >> 4];
        text[2 * i + 1] = kDigits[bytes[i] & 15];
    }
    return text;
}

std::string CrcText(std::uint32_t crc) {
    const std::array<std::uint8_t, 4> bytes{static_cast<std::uint8_t>(crc >> 24), static_cast<std::uint8_t>(crc >> 16),
                                            static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)};
    return HexText(bytes);
}

template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> ParseDigest(std::string_view text) {
    if (text.size() != 2 * N) return std::nullopt;
    std::array<std::uint8_t, N> digest{};
    for (std::size_t i = 0; i < N; ++i) {
        const int high = HexDigit(text[2 * i]);
        const int low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        digest[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return digest;
}
template std::optional<std::array<std::uint8_t, 20>> ParseDigest<20>(std::string_view);
template std::optional<std::array<std::uint8_t, 16>> ParseDigest<16>(std::string_view);
template std::optional<std::array<std::uint8_t, 32>> ParseDigest<32>(std::string_view);

std::optional<std::uint32_t> ParseCrc(std::string_view text) {
    const auto bytes = ParseDigest<4>(text);
    if (!bytes) return std::nullopt;
    return std::uint32_t{(*bytes)[0]} << 24 | std::uint32_t{(*bytes)[1]} << 16 | std::uint32_t{(*bytes)[2]} << 8 | (*bytes)[3];
}

std::optional<std::uint64_t> ParseRomSize(std::string_view text) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (hex) text.remove_prefix(2);
    if (text.empty() || text.size() > 15) return std::nullopt;  // far beyond any cartridge
    std::uint64_t value = 0;
    for (char c : text) {
        const int digit = hex ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (digit < 0) return std::nullopt;
        value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
    }
    return value;
}

std::size_t LineOf(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

DatFile ParseDat(std::string_view text, const std::string& name) {
    std::vector<char> copy(text.begin(), text.end());
    try {
        return ParseInPlace(copy, name);
    } catch (const XmlBreak& at) {
        throw DatError(BreakMessage(name, text, at));
    }
}

DatFile LoadDatFile(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    try {
        File file = File::OpenRead(path);
        std::array<std::uint8_t, 4> mark{};
        if (file.ReadAt(0, mark) == 4 && std::memcmp(mark.data(), "PK\x03\x04", 4) == 0) return LoadZippedDat(path);
        file.ReadAll(bytes);
    } catch (const FileError& e) {
        throw DatError(path + ": " + e.Message());
    }
    // The bytes become the parser's own buffer: no second copy of a large DAT. Only when it
    // breaks is the file read again, for the line.
    try {
        return ParseInPlace(std::span(reinterpret_cast<char*>(bytes.data()), bytes.size()), path);
    } catch (const XmlBreak& at) {
        bytes.clear();
        bytes.shrink_to_fit();
        std::string original;
        try {
            const auto again = ReadWholeFile(path);
            original.assign(again.begin(), again.end());
        } catch (const FileError&) {
        }
        throw DatError(BreakMessage(path, original, at));
    }
}

DatIndex::DatIndex(const DatFile& dat) {
    std::vector<std::uint32_t> order;
    order.reserve(dat.roms.size());
    for (std::uint32_t i = 0; i < dat.roms.size(); ++i) {
        if (dat.roms[i].matchable) order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const DatRom& x = dat.roms[a];
        const DatRom& y = dat.roms[b];
        return x.size != y.size ? x.size < y.size : x.crc < y.crc;
    });
    romsByKey = std::move(order);
    for (std::uint32_t i = 0; i < romsByKey.size(); ++i) {
        const DatRom& rom = dat.roms[romsByKey[i]];
        if (keys.empty() || keys.back().size != rom.size || keys.back().crc != rom.crc) keys.push_back({rom.size, rom.crc, i, 0});
        ++keys.back().count;
    }
}

std::span<const std::uint32_t> DatIndex::Find(std::uint64_t size, std::uint32_t crc) const {
    auto it = std::lower_bound(keys.begin(), keys.end(), std::pair(size, crc), [](const Key& key, const auto& wanted) {
        return key.size != wanted.first ? key.size < wanted.first : key.crc < wanted.second;
    });
    if (it == keys.end() || it->size != size || it->crc != crc) return {};
    return std::span(romsByKey).subspan(it->first, it->count);
}

bool DatIndex::HasSize(std::uint64_t size) const {
    auto it = std::lower_bound(keys.begin(), keys.end(), size, [](const Key& key, std::uint64_t wanted) { return key.size < wanted; });
    return it != keys.end() && it->size == size;
}

}  // namespace vorne
