// Reading zip members against their floor: the same compressed bytes fetched with plain read calls
// and decompressed by libdeflate (and by zlib). Two shapes: one large deflated member, and a scan
// of the NES kind over a folder of archives holding 20,000 small members. Then two hostile
// archives, with the peak memory of a scan of each (measured in a child process of its own):
// 1,000 directory entries over one 2 MB stream that inflates to 2 GiB, against reading the archive
// once; and four such members side by side, against libdeflate inflating them one by one. The
// archives are made once under /tmp/vorne-bench and kept for later runs; the page cache is warm
// for every contender.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <libdeflate.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "archive/inflate_stream_writer.h"
#include "archive/zip_format.h"
#include "archive/zip_reader.h"
#include "base/crc32.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan_queue.h"
#include "dat/data_hasher.h"
#include "images.h"
#include "zip_writer.h"
#include "support/zlib_deflate.h"

namespace {

using vorne::samples::Bytes;

// Bytes shaped like a cartridge image: runs of padding, code drawn from a small vocabulary with
// phrases that recur, and tile graphics in which most tiles repeat. zlib at level 6 makes about
// half of them.
Bytes RomLike(std::size_t size, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out;
    out.reserve(size);
    std::vector<Bytes> tiles;
    while (out.size() < size) {
        const std::size_t page = std::min<std::size_t>(4096, size - out.size());
        const std::size_t end = out.size() + page;
        const unsigned kind = rng() % 8;
        if (kind == 0) {
            out.insert(out.end(), page, 0xFF);
        } else if (kind < 4) {
            static constexpr std::uint8_t kOpcodes[] = {0xA9, 0x8D, 0xAD, 0x20, 0x60, 0x4C, 0xD0, 0xF0, 0xE8, 0xC8,
                                                        0x85, 0xA5, 0x18, 0x69, 0x38, 0xE9, 0x29, 0x09, 0xAA, 0xA8};
            while (out.size() < end) {
                const unsigned r = rng() % 8;
                if (r < 2 && out.size() > 256) {
                    const std::size_t back = 1 + rng() % std::min<std::size_t>(out.size() - 16, 2048);
                    const std::size_t length = std::min<std::size_t>(3 + rng() % 10, end - out.size());
                    const std::size_t from = out.size() - back;
                    for (std::size_t i = 0; i < length; ++i) out.push_back(out[from + i]);
                } else if (r < 6) {
                    out.push_back(kOpcodes[rng() % std::size(kOpcodes)]);
                } else {
                    out.push_back(static_cast<std::uint8_t>(rng()));
                }
            }
        } else {
            while (out.size() < end) {
                if (tiles.size() < 8 || rng() % 10 < 3) {
                    Bytes tile(16);
                    for (auto& b : tile) b = static_cast<std::uint8_t>(rng() & rng());
                    tiles.push_back(std::move(tile));
                    if (tiles.size() > 96) tiles.erase(tiles.begin());
                }
                const Bytes& tile = tiles[rng() % tiles.size()];
                out.insert(out.end(), tile.begin(), tile.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(16, end - out.size())));
            }
        }
    }
    return out;
}

// An NES image of `prgBanks` 16 KiB banks with ROM-like contents behind a valid header.
Bytes NesImage(int prgBanks, std::uint32_t seed) {
    Bytes image = vorne::samples::MakeNes({.prgBanks = prgBanks, .chrBanks = 0, .seed = seed});
    Bytes body = RomLike(image.size() - 16, seed);
    std::copy(body.begin(), body.end(), image.begin() + 16);
    return image;
}

const std::string kRoot = "/tmp/vorne-bench";

// Makes the folder with `make` unless an earlier run finished it.
void MakeOnce(const std::string& folder, const std::function<void()>& make) {
    const std::string marker = folder + "/.complete";
    if (std::filesystem::exists(marker)) return;
    std::filesystem::remove_all(folder);
    make();
    std::ofstream(marker) << "done\n";
}

struct ScanResult {
    int rows = 0;
    std::size_t problems = 0;
    bool operator==(const ScanResult&) const = default;
};

// A scan of the NES kind over `folder` with the zip box ticked; `hashData`: every member's data
// hashed too (as for duplicates by data).
ScanResult ScanNesWithZip(const std::string& folder, bool hashData = false) {
    auto switches = std::make_shared<vorne::ScanSwitches>();
    switches->zipFiles = true;
    vorne::Catalogue catalogue;
    catalogue.ChooseKind(vorne::RomType::Nes);
    vorne::ScanRequest request{vorne::RomType::Nes, folder, switches, ""};
    request.hashData = hashData;
    vorne::RunScan(catalogue, request);
    return {catalogue.EntryCount(), catalogue.Problems().size()};
}

// ---- One large member --------------------------------------------------------------------------

constexpr std::size_t kLargeSize = 16u << 20;

struct LargeArchive {
    std::string path;
    std::int64_t dataOffset = 0;  // where the compressed bytes begin
    std::size_t compressedSize = 0;
};

const LargeArchive& Large() {
    static const LargeArchive large = [] {
        LargeArchive a;
        const std::string folder = kRoot + "/zip-16MiB";
        a.path = folder + "/large.zip";
        MakeOnce(folder, [&] {
            Bytes image = NesImage(static_cast<int>(kLargeSize / 16384) - 1, 16);
            image.resize(kLargeSize, 0xFF);
            vorne::samples::ZipWriter zip;
            zip.Add({.name = "LARGE.NES", .data = image, .deflated = vorne::test::ZlibDeflateRaw(image, 6)});
            vorne::samples::WriteFile(a.path, zip.Finish());
        });
        vorne::File file = vorne::File::OpenRead(a.path);
        std::uint8_t fixed[vorne::ZipLocalHeader::kSize];
        file.ReadAt(0, fixed);
        vorne::ZipLocalHeader local = vorne::DecodeLocalHeader(fixed);
        a.dataOffset = static_cast<std::int64_t>(local.DataOffset());
        a.compressedSize = local.compressedSize;
        return a;
    }();
    return large;
}

void ReadLargeWithVorne(benchmark::State& state) {
    const LargeArchive& a = Large();
    for (auto _ : state) {
        vorne::MemberData data;
        if (!vorne::ReadMember(a.path, "LARGE.NES", data).Ok() || data.size() != kLargeSize) {
            state.SkipWithError("the member could not be read");
            break;
        }
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kLargeSize));
}

// The compressed bytes, fetched with open and read.
std::unique_ptr<std::uint8_t[]> ReadCompressed(const LargeArchive& a) {
    std::unique_ptr<std::uint8_t[]> in(new std::uint8_t[a.compressedSize]);
    int fd = ::open(a.path.c_str(), O_RDONLY);
    std::size_t got = 0;
    if (fd >= 0 && ::lseek(fd, a.dataOffset, SEEK_SET) == a.dataOffset) {
        while (got < a.compressedSize) {
            ssize_t n = ::read(fd, in.get() + got, a.compressedSize - got);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
    }
    if (fd >= 0) ::close(fd);
    return got == a.compressedSize ? std::move(in) : nullptr;
}

void ReadLargeWithLibdeflate(benchmark::State& state) {
    const LargeArchive& a = Large();
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    for (auto _ : state) {
        auto in = ReadCompressed(a);
        std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[kLargeSize]);
        if (!in || libdeflate_deflate_decompress(d, in.get(), a.compressedSize, out.get(), kLargeSize, nullptr) != LIBDEFLATE_SUCCESS) {
            state.SkipWithError("libdeflate failed");
            break;
        }
        benchmark::DoNotOptimize(out.get());
    }
    libdeflate_free_decompressor(d);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kLargeSize));
}

void ReadLargeWithZlib(benchmark::State& state) {
    const LargeArchive& a = Large();
    for (auto _ : state) {
        auto in = ReadCompressed(a);
        std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[kLargeSize]);
        z_stream z{};
        inflateInit2(&z, -15);
        z.next_in = in.get();
        z.avail_in = static_cast<uInt>(a.compressedSize);
        z.next_out = out.get();
        z.avail_out = static_cast<uInt>(kLargeSize);
        const int status = in ? inflate(&z, Z_FINISH) : Z_DATA_ERROR;
        inflateEnd(&z);
        if (status != Z_STREAM_END || z.total_out != kLargeSize) {
            state.SkipWithError("zlib failed");
            break;
        }
        benchmark::DoNotOptimize(out.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kLargeSize));
}

BENCHMARK(ReadLargeWithVorne)->Name("zip/read-member-16MiB/vorne")->Unit(benchmark::kMillisecond);
BENCHMARK(ReadLargeWithLibdeflate)->Name("zip/read-member-16MiB/read-and-libdeflate")->Unit(benchmark::kMillisecond);
BENCHMARK(ReadLargeWithZlib)->Name("zip/read-member-16MiB/read-and-zlib")->Unit(benchmark::kMillisecond);

// ---- A scan over 20,000 members ----------------------------------------------------------------

constexpr int kArchives = 40;
constexpr int kMembersPerArchive = 500;
constexpr int kMembers = kArchives * kMembersPerArchive;

const std::string& MemberFolder() {
    static const std::string folder = [] {
        std::string f = kRoot + "/zip-" + std::to_string(kMembers);
        MakeOnce(f, [&] {
            for (int a = 0; a < kArchives; ++a) {
                vorne::samples::ZipWriter zip;
                for (int m = 0; m < kMembersPerArchive; ++m) {
                    const int i = a * kMembersPerArchive + m;
                    // A fifth of the images recur, as duplicates do in real collections.
                    Bytes image = NesImage(1, static_cast<std::uint32_t>(i % (kMembers * 4 / 5)));
                    std::string name = "Game " + std::to_string(i) + " (U).nes";
                    if (i % 10 == 0) {
                        zip.Add({.name = name, .data = std::move(image)});  // stored
                    } else {
                        Bytes deflated = vorne::test::ZlibDeflateRaw(image, 6);
                        zip.Add({.name = name, .data = std::move(image), .deflated = std::move(deflated)});
                    }
                }
                zip.Add({.name = "readme.txt", .data = Bytes(200, 'r')});
                vorne::samples::WriteFile(f + "/pack" + std::to_string(a) + ".zip", zip.Finish());
            }
        });
        return f;
    }();
    return folder;
}

void ScanWithVorne(benchmark::State& state) {
    const std::string& folder = MemberFolder();
    for (auto _ : state) {
        if (ScanNesWithZip(folder).rows != kMembers) {
            state.SkipWithError("the scan did not list every member");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kMembers);
}

// The floor: each archive's local headers followed front to back with plain reads, every
// member's compressed bytes read and decompressed by libdeflate; nothing else is done with them.
int ReadMembersWithLibdeflate(const std::string& path, libdeflate_decompressor* d, std::vector<std::uint8_t>& in,
                              std::vector<std::uint8_t>& out) {
    int members = 0;
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return 0;
    off_t at = 0;
    std::uint8_t header[vorne::ZipLocalHeader::kSize + 256];
    while (::pread(fd, header, sizeof header, at) >= static_cast<ssize_t>(vorne::ZipLocalHeader::kSize)) {
        const vorne::ZipLocalHeader local = vorne::DecodeLocalHeader(header);
        if (local.signature != vorne::kZipLocalHeaderSignature) break;
        const off_t data = at + static_cast<off_t>(local.DataOffset());
        in.resize(local.compressedSize);
        if (::pread(fd, in.data(), in.size(), data) != static_cast<ssize_t>(in.size())) break;
        const std::string_view name(reinterpret_cast<const char*>(header) + vorne::ZipLocalHeader::kSize, local.nameLength);
        if (name.ends_with(".nes")) {
            if (local.method == vorne::kZipMethodDeflated) {
                out.resize(local.uncompressedSize);
                if (libdeflate_deflate_decompress(d, in.data(), in.size(), out.data(), out.size(), nullptr) != LIBDEFLATE_SUCCESS) break;
                benchmark::DoNotOptimize(out.data());
            }
            ++members;
        }
        at = data + static_cast<off_t>(local.compressedSize);
    }
    ::close(fd);
    return members;
}

void ScanFloor(benchmark::State& state) {
    const std::string& folder = MemberFolder();
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    std::vector<std::uint8_t> in, out;
    for (auto _ : state) {
        int members = 0;
        DIR* dir = ::opendir(folder.c_str());
        while (dirent* entry = dir ? ::readdir(dir) : nullptr) {
            std::string name = entry->d_name;
            if (name.ends_with(".zip")) members += ReadMembersWithLibdeflate(folder + "/" + name, d, in, out);
        }
        if (dir) ::closedir(dir);
        if (members != kMembers) {
            state.SkipWithError("the floor did not read every member");
            break;
        }
    }
    libdeflate_free_decompressor(d);
    state.SetItemsProcessed(state.iterations() * kMembers);
}

BENCHMARK(ScanWithVorne)->Name("scan-zip/20000-members/vorne")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ScanFloor)->Name("scan-zip/20000-members/read-and-libdeflate")->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- Hostile archives --------------------------------------------------------------------------

// A DEFLATE stream as dense as the format allows: one zero byte, then matches of 258 bytes from 1
// back, each in 2 bits (a 1-bit length code and a 1-bit distance code). It inflates to
// 1 + 258 * kBombMatches zero bytes, just under 2 GiB, from about 2 MB.
constexpr std::uint64_t kBombMatches = 8'323'000;
constexpr std::uint64_t kBombSize = 1 + 258 * kBombMatches;

struct Bomb {
    Bytes stream;
    std::uint32_t crc = 0;
};

const Bomb& TwoGiBStream() {
    static const Bomb bomb = [] {
        Bomb b;
        vorne::test::BitWriter w;
        w.Put(1, 1).Put(2, 2);  // the final block, dynamic codes
        std::vector<std::uint8_t> litlen(286, 0);
        litlen[0] = 2;
        litlen[256] = 2;
        litlen[285] = 1;  // length 258
        const std::vector<std::uint8_t> dist = {1};
        const auto codes = vorne::test::PutDynamicHeader(w, litlen, dist);
        w.PutCode(codes.litlen[0].bits, codes.litlen[0].length);
        for (std::uint64_t i = 0; i < kBombMatches; ++i) {
            w.PutCode(codes.litlen[285].bits, 1).PutCode(codes.dist[0].bits, 1);
        }
        w.PutCode(codes.litlen[256].bits, codes.litlen[256].length);
        b.stream = w.Bytes();
        const Bytes zeros(1u << 20, 0);
        std::uint64_t left = kBombSize;
        while (left != 0) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, zeros.size()));
            b.crc = vorne::Crc32(std::span(zeros).first(n), b.crc);
            left -= n;
        }
        return b;
    }();
    return bomb;
}

// A member whose data is the bomb stream; `at` makes it an entry for another member's header.
vorne::samples::ZipMemberRecipe BombMember(const std::string& name, std::optional<std::uint32_t> at = std::nullopt) {
    const Bomb& bomb = TwoGiBStream();
    const auto size = static_cast<std::uint32_t>(kBombSize);
    vorne::samples::ZipMemberRecipe m{.name = name, .deflated = bomb.stream};
    m.local = {.crc = bomb.crc, .uncompressedSize = size};
    m.directory = {.crc = bomb.crc, .uncompressedSize = size};
    if (at) {
        m.deflated.reset();
        m.deflate = true;
        m.directory.compressedSize = static_cast<std::uint32_t>(bomb.stream.size());
        m.localHeaderOffset = at;
        m.directoryOnly = true;
    }
    return m;
}

constexpr int kOverlappingEntries = 1000;

const std::string& OverlapFolder() {
    static const std::string folder = [] {
        std::string f = kRoot + "/zip-overlap";
        MakeOnce(f, [&] {
            vorne::samples::ZipWriter zip;
            zip.Add(BombMember("BOMB0000.NES"));
            for (int i = 1; i < kOverlappingEntries; ++i) {
                char name[16];
                std::snprintf(name, sizeof name, "BOMB%04d.NES", i);
                zip.Add(BombMember(name, 0));
            }
            vorne::samples::WriteFile(f + "/bomb.zip", zip.Finish());
        });
        return f;
    }();
    return folder;
}

const std::string& FourMembersFolder() {
    static const std::string folder = [] {
        std::string f = kRoot + "/zip-4x2GiB";
        MakeOnce(f, [&] {
            vorne::samples::ZipWriter zip;
            for (int i = 0; i < 4; ++i) zip.Add(BombMember("BIG" + std::to_string(i) + ".NES"));
            vorne::samples::WriteFile(f + "/big.zip", zip.Finish());
        });
        return f;
    }();
    return folder;
}

// The largest resident size a child process reaches running `work` (which says whether it went
// right), in MiB; -1 when it went wrong. The child starts with what the benchmark holds resident.
double PeakMemoryMiB(const std::function<bool()>& work) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(work() ? 0 : 1);
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

// Times scans of `folder`, each of which must give `expected` (`fault` says what went wrong
// otherwise); then the peak of one scan, and the peak of a child that does nothing, for comparison.
void ScanAndCountPeakMemory(benchmark::State& state, const std::string& folder, const ScanResult& expected,
                            const char* fault, bool hashData = false) {
    for (auto _ : state) {
        if (ScanNesWithZip(folder, hashData) != expected) {
            state.SkipWithError(fault);
            break;
        }
    }
    state.counters["peak_rss_MiB"] = PeakMemoryMiB([&] { return ScanNesWithZip(folder, hashData) == expected; });
    state.counters["idle_rss_MiB"] = PeakMemoryMiB([] { return true; });
}

void ScanOverlapping(benchmark::State& state) {
    // Every entry refused, none read.
    ScanAndCountPeakMemory(state, OverlapFolder(), {0, kOverlappingEntries}, "the overlapping entries were not all refused");
}

// The yardstick: the archive's bytes read once, with plain read calls.
void ReadOverlappingArchive(benchmark::State& state) {
    const std::string path = OverlapFolder() + "/bomb.zip";
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::filesystem::file_size(path)));
    for (auto _ : state) {
        int fd = ::open(path.c_str(), O_RDONLY);
        std::size_t got = 0;
        while (fd >= 0 && got < bytes.size()) {
            ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        if (fd >= 0) ::close(fd);
        if (got != bytes.size()) {
            state.SkipWithError("the archive could not be read");
            break;
        }
        benchmark::DoNotOptimize(bytes.data());
    }
}

BENCHMARK(ScanOverlapping)->Name("zip-overlap/1000-entries-over-2MB/vorne")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ReadOverlappingArchive)->Name("zip-overlap/1000-entries-over-2MB/read-file-once")->Unit(benchmark::kMillisecond)->UseRealTime();

void ScanFourLargeMembers(benchmark::State& state) {
    ScanAndCountPeakMemory(state, FourMembersFolder(), {4, 0}, "the four members were not all read");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * 4 * kBombSize));
}

// Each member's stream inflated by libdeflate into fresh memory of its size, one after the other,
// and handed to `use`.
void InflateFourLargeMembersInto(benchmark::State& state, const std::function<void(std::span<const std::uint8_t>)>& use) {
    const Bomb& bomb = TwoGiBStream();
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    for (auto _ : state) {
        for (int i = 0; i < 4; ++i) {
            std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[kBombSize]);
            const auto result =
                libdeflate_deflate_decompress(d, bomb.stream.data(), bomb.stream.size(), out.get(), kBombSize, nullptr);
            if (result != LIBDEFLATE_SUCCESS) {
                state.SkipWithError("libdeflate failed");
                break;
            }
            use(std::span<const std::uint8_t>(out.get(), kBombSize));
        }
    }
    libdeflate_free_decompressor(d);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * 4 * kBombSize));
}

// The floor: the members inflated, nothing more (the scan streams each member through the NES
// reader, taking two CRC-32s of it on the way: the archive's and the reader's).
void InflateFourLargeMembers(benchmark::State& state) {
    InflateFourLargeMembersInto(state, [](std::span<const std::uint8_t> bytes) { benchmark::DoNotOptimize(bytes.data()); });
}

BENCHMARK(ScanFourLargeMembers)->Name("zip-4x2GiB/scan/vorne")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(InflateFourLargeMembers)->Name("zip-4x2GiB/scan/libdeflate-one-by-one")->Unit(benchmark::kMillisecond)->UseRealTime();

// The same scan hashing every member's data as it streams by (duplicates by data; a DAT alike),
// against libdeflate inflating each member into memory and libcrypto taking its SHA-1.
void ScanFourLargeMembersHashed(benchmark::State& state) {
    ScanAndCountPeakMemory(state, FourMembersFolder(), {4, 0}, "the four members were not all read", true);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * 4 * kBombSize));
}

void InflateAndHashFourLargeMembers(benchmark::State& state) {
    InflateFourLargeMembersInto(state, [](std::span<const std::uint8_t> bytes) {
        benchmark::DoNotOptimize(vorne::HashBytes(bytes, {0, static_cast<std::int64_t>(bytes.size())}, {}).data.sha1);
    });
}

BENCHMARK(ScanFourLargeMembersHashed)->Name("zip-4x2GiB/scan-hashed/vorne")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(InflateAndHashFourLargeMembers)->Name("zip-4x2GiB/scan-hashed/libdeflate-and-sha1")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
