// Loading a DAT of 60,000 games (about 25 MB of Logiqx XML, as large as the largest No-Intro
// DATs), plain and in a zip as No-Intro ships them: the parse and the index against reading the
// file once with a plain loop. The peak memory of one load is measured in a child process,
// against the same child doing nothing.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "dat/dat_file.h"
#include "images.h"
#include "zip_writer.h"

namespace {

constexpr int kGames = 60000;

// The DAT's text, made once.
const std::string& DatText() {
    static const std::string made = [] {
        std::string text = "<?xml version=\"1.0\"?>\n<!DOCTYPE datafile PUBLIC \"-//Logiqx//DTD ROM Management Datafile//EN\" "
                           "\"http://www.logiqx.com/dtds/datafile.dtd\">\n<datafile>\n\t<header>\n\t\t<name>Made Up - Big "
                           "Console</name>\n\t\t<description>Made Up - Big Console</description>\n\t</header>\n";
        std::mt19937 random(7);
        char line[1024];
        auto hex = [&](int digits) {
            std::string h;
            for (int i = 0; i < digits; ++i) h += "0123456789abcdef"[random() % 16];
            return h;
        };
        for (int i = 0; i < kGames; ++i) {
            const std::string name = "Some Made Up Game Title Number " + std::to_string(i) + " (Europe) (En,Fr,De,Es,It) (Rev 1)";
            std::snprintf(line, sizeof line,
                          "\t<game name=\"%s\">\n\t\t<description>%s</description>\n\t\t<rom name=\"%s.bin\" size=\"%u\" "
                          "crc=\"%s\" md5=\"%s\" sha1=\"%s\" sha256=\"%s\" status=\"verified\"/>\n\t</game>\n",
                          name.c_str(), name.c_str(), name.c_str(), static_cast<unsigned>(random() % (8u << 20)),
                          hex(8).c_str(), hex(32).c_str(), hex(40).c_str(), hex(64).c_str());
            text += line;
        }
        text += "</datafile>\n";
        return text;
    }();
    return made;
}

const std::string& DatPath() {
    static const std::string path = [] {
        const std::string& text = DatText();
        std::string file = (std::filesystem::temp_directory_path() / ("vorne-bench-" + std::to_string(getpid()) + ".dat")).string();
        vorne::samples::WriteFile(file, {text.begin(), text.end()});
        std::atexit([] { std::remove(DatPath().c_str()); });
        return file;
    }();
    return path;
}

// The same DAT as the one member of a zip, deflated.
const std::string& ZippedDatPath() {
    static const std::string path = [] {
        vorne::samples::ZipWriter zip;
        const std::string& text = DatText();
        zip.Add({.name = "Made Up - Big Console (20260101).dat", .data = {text.begin(), text.end()}, .deflate = true});
        std::string file = DatPath() + ".zip";
        vorne::samples::WriteFile(file, zip.Finish());
        std::atexit([] { std::remove(ZippedDatPath().c_str()); });
        return file;
    }();
    return path;
}

const std::string& PathOf(const benchmark::State& state) { return state.range(0) ? ZippedDatPath() : DatPath(); }

void Load(benchmark::State& state) {
    const std::string& path = PathOf(state);  // made before the clock runs
    for (auto _ : state) {
        vorne::DatFile dat = vorne::LoadDatFile(path);
        vorne::DatIndex index(dat);
        benchmark::DoNotOptimize(index.Contains(1, 2));
        if (dat.games.size() != kGames) state.SkipWithError("not every game was read");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(DatPath())));
}

void ReadOnce(benchmark::State& state) {
    DatPath();
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        const int fd = open(DatPath().c_str(), O_RDONLY);
        unsigned sum = 0;
        for (ssize_t n; (n = read(fd, buffer.data(), buffer.size())) > 0;) {
            for (ssize_t i = 0; i < n; ++i) sum += static_cast<unsigned char>(buffer[static_cast<std::size_t>(i)]);
        }
        close(fd);
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(DatPath())));
}

// The resident-size high-water mark of this process, in KiB.
long HighWaterKiB() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    char line[256];
    long kib = -1;
    while (status && std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1) break;
    }
    if (status) std::fclose(status);
    return kib;
}

// How far one load raises the resident size, in KiB: measured in a child, whose high-water mark
// is first put back to its resident size (writing 5 to clear_refs) after the free heap is given
// back, so nothing this process did before counts.
long LoadPeakKiB(const std::string& path) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        malloc_trim(0);  // the heap this process freed before would otherwise be reused unseen
        const int clear = open("/proc/self/clear_refs", O_WRONLY);
        long growth = -1;
        if (clear >= 0 && write(clear, "5", 1) == 1) {
            const long before = HighWaterKiB();
            vorne::DatFile dat = vorne::LoadDatFile(path);
            vorne::DatIndex index(dat);
            benchmark::DoNotOptimize(index.Contains(1, 2));
            growth = HighWaterKiB() - before;
        }
        if (write(pipeFds[1], &growth, sizeof growth) != sizeof growth) _exit(1);
        _exit(0);
    }
    close(pipeFds[1]);
    long growth = -1;
    if (read(pipeFds[0], &growth, sizeof growth) != sizeof growth) growth = -1;
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return growth;
}

void PeakMemory(benchmark::State& state) {
    const std::string& path = PathOf(state);
    long peak = 0;
    for (auto _ : state) peak = LoadPeakKiB(path);
    if (peak < 0) state.SkipWithError("the peak could not be measured");
    state.counters["peak_MB"] = static_cast<double>(peak) / 1024.0;
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    state.counters["peak_per_file_byte"] = static_cast<double>(peak) * 1024.0 / static_cast<double>(DatText().size());
}

// Argument 0: the plain DAT; 1: the zipped one.
BENCHMARK(Load)->Name("dat/load-60000-games/vorne")->Arg(0)->Arg(1)->ArgName("zipped")->Unit(benchmark::kMillisecond);
BENCHMARK(ReadOnce)->Name("dat/load-60000-games/read-once")->Unit(benchmark::kMillisecond);
BENCHMARK(PeakMemory)->Name("dat-memory/load-60000-games")->Arg(0)->Arg(1)->ArgName("zipped")->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
