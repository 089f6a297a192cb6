// Scanning a generated tree of 20,000 files, against the I/O floor: walking the same tree and
// reading the same files with plain open/read/close calls. The tree is made once under /tmp
// and kept for later runs; the page cache is warm for both.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "catalogue/catalogue.h"
#include "catalogue/scan_queue.h"
#include "images.h"

namespace {

constexpr int kFiles = 20'000;
constexpr int kFolders = 20;

struct Tree {
    vorne::RomType type;
    std::string extension;
    // The leading bytes of file i, which hold everything its reader looks at.
    std::function<vorne::samples::Bytes(int)> make;
    // What the floor reads of each file: everything (-1), or 64 bytes at this offset.
    std::int64_t floorOffset;
    // The files' length; beyond the bytes `make` gives, the file is a hole (sparse, all zeros),
    // so that 20,000 images of real size need little disk. 0: just the bytes given.
    std::int64_t sparseSize = 0;
    // Bytes written at the very end (an MP3's tag).
    std::function<vorne::samples::Bytes(int)> makeTail = nullptr;
};

std::string TreeFolder(const Tree& tree) {
    return "/tmp/vorne-bench/" + std::string(vorne::Kind(tree.type).cliName) + "-" + std::to_string(kFiles);
}

std::int64_t ReadTree(const std::string& folder, const Tree& tree, std::vector<char>& buffer);

// Makes the tree (once; later runs reuse it) and reads it once, so that both sides are timed on
// a warm page cache.
const std::string& Prepare(const Tree& tree) {
    static std::map<std::string, std::string> made;
    std::string root = TreeFolder(tree);
    if (made.count(root)) return made[root];
    std::string marker = root + "/.complete";
    if (!std::filesystem::exists(marker)) {
        std::filesystem::remove_all(root);
        for (int i = 0; i < kFiles; ++i) {
            std::string path = root + "/folder" + std::to_string(i % kFolders) + "/file" + std::to_string(i) + "." + tree.extension;
            vorne::samples::WriteFile(path, tree.make(i));
            if (tree.sparseSize > 0) {
                std::filesystem::resize_file(path, static_cast<std::uintmax_t>(tree.sparseSize));
                if (tree.makeTail) {
                    vorne::samples::Bytes tail = tree.makeTail(i);
                    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
                    out.seekp(tree.sparseSize - static_cast<std::int64_t>(tail.size()));
                    out.write(reinterpret_cast<const char*>(tail.data()), static_cast<std::streamsize>(tail.size()));
                }
            }
        }
        std::ofstream(marker) << "done\n";
    }
    std::vector<char> buffer(64);
    ReadTree(root, tree, buffer);
    return made[root] = root;
}

void ScanWithVorne(benchmark::State& state, const Tree& tree) {
    const std::string& root = Prepare(tree);
    auto switches = std::make_shared<vorne::ScanSwitches>();
    switches->subfolders = true;
    auto scan = [&] {
        vorne::Catalogue catalogue;
        catalogue.ChooseKind(tree.type);
        vorne::RunScan(catalogue, {tree.type, root, switches, ""});
        return catalogue.EntryCount();
    };
    // Once untimed: the pages the readers read besides the floor's are in the page cache too (a
    // run of one iteration would otherwise time reading them in).
    scan();
    for (auto _ : state) {
        if (scan() != kFiles) state.SkipWithError("the scan did not list every file");
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}

// The floor: the same walk and the same bytes, with nothing done to them.
std::int64_t ReadTree(const std::string& folder, const Tree& tree, std::vector<char>& buffer) {
    std::int64_t files = 0;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return 0;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string path = folder + "/" + name;
        if (entry->d_type == DT_DIR) {
            files += ReadTree(path, tree, buffer);
            continue;
        }
        if (!name.ends_with("." + tree.extension)) continue;
        int fd = open(path.c_str(), O_RDONLY);
        if (fd < 0) continue;
        if (tree.floorOffset < 0) {
            struct stat st;
            fstat(fd, &st);
            buffer.resize(static_cast<std::size_t>(st.st_size));
            benchmark::DoNotOptimize(read(fd, buffer.data(), buffer.size()));
        } else {
            benchmark::DoNotOptimize(pread(fd, buffer.data(), 64, tree.floorOffset));
        }
        close(fd);
        ++files;
    }
    closedir(dir);
    return files;
}

void ReadFloor(benchmark::State& state, const Tree& tree) {
    const std::string& root = Prepare(tree);
    std::vector<char> buffer(64);
    for (auto _ : state) {
        if (ReadTree(root, tree, buffer) != kFiles) state.SkipWithError("the floor did not read every file");
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}

const Tree kNes{vorne::RomType::Nes, "nes",
                [](int i) {
                    return vorne::samples::MakeNes({.prgBanks = 1, .chrBanks = 1, .flags6 = static_cast<std::uint8_t>(i % 2),
                                                    .seed = static_cast<std::uint32_t>(i % 15000)});
                },
                -1};

// Header kinds: the images are 1 MiB (SNES), 512 KiB (Genesis) and 4 MiB (MP3) long, only
// their headers are real; the floor opens each file and reads 64 bytes where the header is.
vorne::samples::Bytes Leading(const vorne::samples::Bytes& image, std::size_t n) {
    return vorne::samples::Bytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(n));
}

const Tree kSnes{vorne::RomType::Snes, "sfc",
                 [](int i) {
                     auto image = vorne::samples::MakeSnes({.hiRom = i % 3 == 0, .size = 0x10000,
                                                            .title = "GAME " + std::to_string(i % 5000),
                                                            .seed = static_cast<std::uint32_t>(i)});
                     return image;
                 },
                 0x7FC0, 1024 * 1024};

const Tree kGenesis{vorne::RomType::Genesis, "bin",
                    [](int i) {
                        return Leading(vorne::samples::MakeGenesis({.size = 0x1000, .internationalTitle = "GAME " + std::to_string(i % 5000),
                                                                    .seed = static_cast<std::uint32_t>(i)}),
                                       0x1000);
                    },
                    0x100, 512 * 1024};

constexpr std::int64_t kMp3Size = 4 * 1024 * 1024;
const Tree kMp3{vorne::RomType::Mp3, "mp3",
                [](int i) { return vorne::samples::MakeMp3({.frames = 8, .tagged = false, .seed = static_cast<std::uint32_t>(i)}); },
                kMp3Size - 128, kMp3Size,
                [](int i) {
                    auto tagged = vorne::samples::MakeMp3({.frames = 1, .title = "Song " + std::to_string(i % 5000),
                                                           .artist = "Band", .year = "2026", .genre = 17});
                    return vorne::samples::Bytes(tagged.end() - 128, tagged.end());
                }};

BENCHMARK_CAPTURE(ScanWithVorne, mp3, kMp3)->Name("scan/20000-mp3/vorne")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ReadFloor, mp3, kMp3)->Name("scan/20000-mp3/open-read-64-floor")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ScanWithVorne, snes, kSnes)->Name("scan/20000-snes/vorne")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ReadFloor, snes, kSnes)->Name("scan/20000-snes/open-read-64-floor")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ScanWithVorne, genesis, kGenesis)->Name("scan/20000-genesis/vorne")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ReadFloor, genesis, kGenesis)->Name("scan/20000-genesis/open-read-64-floor")->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_CAPTURE(ScanWithVorne, nes, kNes)->Name("scan/20000-nes/vorne")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ReadFloor, nes, kNes)->Name("scan/20000-nes/plain-read-floor")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
