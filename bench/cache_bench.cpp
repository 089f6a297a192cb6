// The hash cache on 20,000 NES images of 40 KiB (in the page cache): a first scan with a DAT,
// which hashes every file on all cores and fills the cache, against the sha1sum program over the
// same files (one process, spawned in the same run); and a rescan of the unchanged files, which
// reads none of them, against a plain walk that stats each file. The same for a plain scan (no
// DAT), whose first run is set against the same scan without the cache, to show what keeping
// costs.
#include <benchmark/benchmark.h>

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cache/hash_cache.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan_queue.h"
#include "images.h"

extern char** environ;

namespace {

constexpr int kFiles = 20000;

struct Collection {
    std::string root;
    std::string folder;
    std::string dat;
    std::string cache;
    std::vector<std::string> files;
};

const Collection& Files() {
    static const Collection collection = [] {
        Collection c;
        c.root = (std::filesystem::temp_directory_path() / ("vorne-cache-bench-" + std::to_string(getpid()))).string();
        c.folder = c.root + "/nes";
        std::filesystem::create_directories(c.folder);
        for (int i = 0; i < kFiles; ++i) {
            // 40 KiB of data behind the header: two 16 KiB PRG banks and one 8 KiB CHR bank.
            auto image = vorne::samples::MakeNes({.prgBanks = 2, .chrBanks = 1, .seed = static_cast<std::uint32_t>(i + 1)});
            c.files.push_back(c.folder + "/game " + std::to_string(i) + ".nes");
            vorne::samples::WriteFile(c.files.back(), image);
        }
        const std::string text = "<datafile><header><name>Bench</name></header><game name=\"None\">"
                                 "<rom name=\"none.nes\" size=\"1\" crc=\"00000000\"/></game></datafile>";
        c.dat = c.root + "/bench.dat";
        vorne::samples::WriteFile(c.dat, {text.begin(), text.end()});
        c.cache = c.root + "/hashes.sqlite";
        std::atexit([] { std::filesystem::remove_all(Files().root); });
        sleep(3);  // files changed in the last two seconds before a scan are not kept in the cache
        return c;
    }();
    return collection;
}

void Scan(const Collection& c, const std::shared_ptr<const vorne::DatSet>& dat, bool withCache = true) {
    vorne::ScanRequest request{vorne::RomType::Nes, c.folder, std::make_shared<vorne::ScanSwitches>(), ""};
    request.dat = dat;
    if (withCache) request.cache = std::make_shared<vorne::HashCache>(c.cache);
    vorne::Catalogue catalogue;
    catalogue.ChooseKind(vorne::RomType::Nes);
    catalogue.SetDat(dat);
    vorne::RunScan(catalogue, request);
    benchmark::DoNotOptimize(catalogue.EntryCount());
}

void RemoveCache(const Collection& c) {
    for (const char* suffix : {"", "-wal", "-shm"}) std::remove((c.cache + suffix).c_str());
}

void FirstScan(benchmark::State& state) {
    const Collection& c = Files();
    auto dat = vorne::LoadDatSet(c.dat);
    for (auto _ : state) {
        state.PauseTiming();
        RemoveCache(c);
        state.ResumeTiming();
        Scan(c, dat);
    }
    state.SetBytesProcessed(state.iterations() * kFiles * (40960 + 16));
}

void Sha1sum(benchmark::State& state) {
    const Collection& c = Files();
    std::vector<char*> argv{const_cast<char*>("sha1sum")};
    for (const std::string& file : c.files) argv.push_back(const_cast<char*>(file.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t child = 0;
        if (posix_spawnp(&child, "sha1sum", &actions, nullptr, argv.data(), environ) != 0) {
            state.SkipWithError("sha1sum cannot be run");
            break;
        }
        int status = 0;
        waitpid(child, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
    state.SetBytesProcessed(state.iterations() * kFiles * (40960 + 16));
}

void Rescan(benchmark::State& state) {
    const Collection& c = Files();
    auto dat = vorne::LoadDatSet(c.dat);
    RemoveCache(c);
    Scan(c, dat);  // fills the cache
    for (auto _ : state) Scan(c, dat);
}

void StatWalk(benchmark::State& state) {
    const Collection& c = Files();
    for (auto _ : state) {
        DIR* dir = opendir(c.folder.c_str());
        std::size_t count = 0;
        struct stat info;
        for (dirent* entry; (entry = readdir(dir)) != nullptr;) {
            if (fstatat(dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode)) ++count;
        }
        closedir(dir);
        benchmark::DoNotOptimize(count);
    }
}

// A plain scan (no DAT): the reader's columns alone, which the cache keeps as well.
void PlainFirstScan(benchmark::State& state, bool withCache) {
    const Collection& c = Files();
    for (auto _ : state) {
        state.PauseTiming();
        RemoveCache(c);
        state.ResumeTiming();
        Scan(c, nullptr, withCache);
    }
}

void PlainRescan(benchmark::State& state) {
    const Collection& c = Files();
    RemoveCache(c);
    Scan(c, nullptr);  // fills the cache
    for (auto _ : state) Scan(c, nullptr);
}

BENCHMARK(FirstScan)->Name("cache-first-scan-20000-nes/vorne")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Sha1sum)->Name("cache-first-scan-20000-nes/sha1sum")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Rescan)->Name("cache-rescan-20000-nes/vorne")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(StatWalk)->Name("cache-rescan-20000-nes/stat-walk")->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_CAPTURE(PlainFirstScan, cache, true)->Name("cache-plain-first-scan-20000-nes/vorne")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(PlainFirstScan, none, false)->Name("cache-plain-first-scan-20000-nes/no-cache")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PlainRescan)->Name("cache-plain-rescan-20000-nes/vorne")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(StatWalk)->Name("cache-plain-rescan-20000-nes/stat-walk")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
