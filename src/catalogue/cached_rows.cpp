#include "catalogue/cached_rows.h"

#include <sys/stat.h>

#include <cstring>

#include "formats/reader_factory.h"

namespace vorne {

namespace {

constexpr std::uint8_t kFormat = 1;
enum Flags : std::uint8_t { kHasSha1 = 1, kHasMd5 = 2, kWholeSha1 = 4, kWholeMd5 = 8, kHasSha256 = 16 };

class Writer {
public:
    void Byte(std::uint8_t b) { out.push_back(static_cast<char>(b)); }
    void Number(std::uint64_t n) {
        for (int i = 0; i < 8; ++i) Byte(static_cast<std::uint8_t>(n >> (8 * i)));
    }
    void Bytes(std::string_view bytes) { out.append(bytes); }
    template <std::size_t N>
    void Digest(const std::array<std::uint8_t, N>& d) { out.append(reinterpret_cast<const char*>(d.data()), N); }
    std::string out;
};

class Reader {
public:
    explicit Reader(std::string_view in) : in(in) {}
    bool Byte(std::uint8_t& b) {
        if (in.empty()) return false;
        b = static_cast<std::uint8_t>(in[0]);
        in.remove_prefix(1);
        return true;
    }
    bool Number(std::uint64_t& n) {
        if (in.size() < 8) return false;
        n = 0;
        for (int i = 0; i < 8; ++i) n |= std::uint64_t{static_cast<std::uint8_t>(in[static_cast<std::size_t>(i)])} << (8 * i);
        in.remove_prefix(8);
        return true;
    }
    bool Text(std::string& text, std::size_t size) {
        if (in.size() < size) return false;
        text.assign(in.substr(0, size));
        in.remove_prefix(size);
        return true;
    }
    template <std::size_t N>
    bool Digest(std::optional<std::array<std::uint8_t, N>>& d) {
        if (in.size() < N) return false;
        d.emplace();
        std::memcpy(d->data(), in.data(), N);
        in.remove_prefix(N);
        return true;
    }
    bool AtEnd() const { return in.empty(); }

private:
    std::string_view in;
};

void WriteHashes(Writer& w, const Hashes& h) {
    w.Byte(static_cast<std::uint8_t>((h.sha1 ? kHasSha1 : 0) | (h.md5 ? kHasMd5 : 0) | (h.sha256 ? kHasSha256 : 0)));
    w.Number(h.size);
    w.Number(h.crc);
    if (h.sha1) w.Digest(*h.sha1);
    if (h.md5) w.Digest(*h.md5);
    if (h.sha256) w.Digest(*h.sha256);
}

bool ReadHashes(Reader& r, Hashes& h) {
    std::uint8_t flags = 0;
    std::uint64_t crc = 0;
    if (!r.Byte(flags) || !r.Number(h.size) || !r.Number(crc) || crc > 0xFFFFFFFFu) return false;
    h.crc = static_cast<std::uint32_t>(crc);
    if ((flags & kHasSha1) && !r.Digest(h.sha1)) return false;
    if ((flags & kHasMd5) && !r.Digest(h.md5)) return false;
    if ((flags & kHasSha256) && !r.Digest(h.sha256)) return false;
    return true;
}

}  // namespace

std::string EncodeCachedRow(const CachedRow& row) {
    Writer w;
    w.Byte(kFormat);
    WriteHashes(w, row.hashes.data);
    WriteHashes(w, row.hashes.whole);
    w.Number(row.cells.size());
    for (const std::string& cell : row.cells) {
        w.Number(cell.size());
        w.Bytes(cell);
    }
    return w.out;
}

std::optional<CachedRow> DecodeCachedRow(std::string_view value) {
    Reader r(value);
    CachedRow row;
    std::uint8_t format = 0;
    std::uint64_t count = 0;
    if (!r.Byte(format) || format != kFormat || !ReadHashes(r, row.hashes.data) || !ReadHashes(r, row.hashes.whole) ||
        !r.Number(count) || count > value.size()) {
        return std::nullopt;
    }
    // Room for the two cells a DAT adds ("DAT Name" and "DAT Match"): growing every row's cells
    // afterwards would cost a second allocation each.
    row.cells.reserve(count + 2);
    row.cells.resize(count);
    for (std::string& cell : row.cells) {
        std::uint64_t size = 0;
        if (!r.Number(size) || !r.Text(cell, size)) return std::nullopt;
    }
    if (!r.AtEnd()) return std::nullopt;
    return row;
}

std::string CacheContext(RomType type, const std::string& knownDumpsPath) {
    std::string context = "kind " + std::to_string(static_cast<int>(type)) + "; readers " + std::to_string(kReaderVersion);
    if (type == RomType::Nes) {
        struct stat info;
        context += "; known dumps " + knownDumpsPath;
        if (!knownDumpsPath.empty() && stat(knownDumpsPath.c_str(), &info) == 0) {
            context += " " + std::to_string(info.st_size) + " " + std::to_string(info.st_mtim.tv_sec) + "." +
                       std::to_string(info.st_mtim.tv_nsec) + " " + std::to_string(info.st_ino);
        } else {
            context += " none";
        }
    }
    return context;
}

}  // namespace vorne
