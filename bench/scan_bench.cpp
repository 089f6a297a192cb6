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
    // The file at index i; sparse files may be written by returning a size and the header bytes.
    std::function<vorne::samples::Bytes(int)> make;
    // What the floor reads of each file: everything (-1), or 64 bytes at this offset.
    std::int64_t floorOffset;
};

std::string TreeFolder(const Tree& tree) {
    return "/tmp/vorne-bench/" + std::string(vorne::Kind(tree.type).cliName) + "-" + std::to_string(kFiles);
}

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
        }
        std::ofstream(marker) << "done\n";
    }
    return made[root] = root;
}

void ScanWithVorne(benchmark::State& state, const Tree& tree) {
    const std::string& root = Prepare(tree);
    auto switches = std::make_shared<vorne::ScanSwitches>();
    switches->subfolders = true;
    for (auto _ : state) {
        vorne::Catalogue catalogue;
        catalogue.ChooseKind(tree.type);
        vorne::RunScan(catalogue, {tree.type, root, switches, ""});
        if (catalogue.entryCount != kFiles) state.SkipWithError("the scan did not list every file");
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

BENCHMARK_CAPTURE(ScanWithVorne, nes, kNes)->Name("scan/20000-nes/vorne")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ReadFloor, nes, kNes)->Name("scan/20000-nes/plain-read-floor")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
