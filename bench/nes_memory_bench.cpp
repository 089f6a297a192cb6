// Reading a 1 GiB NES image (a sparse file, so it takes no disk) for its CRC-32: the time, and
// the peak memory it costs, against plainly reading the same file in 1 MiB chunks with CRC-32.
//
// Peak RSS only ever rises within a process, so an earlier benchmark's peak would hide ours: the
// memory is measured once in a forked child, whose peak is first lowered to what it holds.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/crc32.h"
#include "formats/nes.h"
#include "images.h"

namespace {

constexpr std::int64_t kImageBytes = std::int64_t{1} << 30;

std::uint32_t ReadInMebibyteChunks(const std::string& path) {
    std::vector<std::uint8_t> buffer(1 << 20);
    int fd = ::open(path.c_str(), O_RDONLY);
    std::uint32_t crc = 0;
    for (ssize_t got; (got = ::read(fd, buffer.data(), buffer.size())) > 0;) {
        crc = vorne::Crc32(std::span(buffer).first(static_cast<std::size_t>(got)), crc);
    }
    ::close(fd);
    return crc;
}

// The header and a 20-byte title are real; the 1 GiB between them is a hole. It is read once
// before timing, so that both sides are timed on a warm page cache.
const std::string& SparseImage() {
    static const std::string path = [] {
        std::string file = "/tmp/vorne-bench/nes-1gib.nes";
        std::filesystem::create_directories("/tmp/vorne-bench");
        vorne::samples::Bytes image = vorne::samples::MakeNes({.prgBanks = 1, .chrBanks = 0});
        image.resize(16);
        vorne::samples::WriteFile(file, image);
        std::filesystem::resize_file(file, 16 + kImageBytes);
        int fd = ::open(file.c_str(), O_WRONLY);
        const char title[] = "Twenty bytes of text";
        benchmark::DoNotOptimize(::pwrite(fd, title, 20, 16 + kImageBytes));
        ::close(fd);
        benchmark::DoNotOptimize(ReadInMebibyteChunks(file));
        return file;
    }();
    return path;
}

long PeakRssKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Runs `read` once in a child process and puts its peak RSS before and after into the counters.
void MeasurePeakRss(benchmark::State& state, const std::function<void()>& read) {
    int channel[2];
    if (::pipe(channel) != 0) return state.SkipWithError("pipe failed");
    pid_t child = ::fork();
    if (child == 0) {
        // Start the peak from what the child really holds: memory the parent freed but kept would
        // be reused without showing, so give it back, then lower the peak to the current RSS.
        ::malloc_trim(0);
        int clear = ::open("/proc/self/clear_refs", O_WRONLY);
        benchmark::DoNotOptimize(::write(clear, "5", 1));
        ::close(clear);
        std::array<long, 2> peaks{PeakRssKiB(), 0};
        read();
        peaks[1] = PeakRssKiB();
        benchmark::DoNotOptimize(::write(channel[1], peaks.data(), sizeof peaks));
        ::_exit(0);
    }
    ::close(channel[1]);
    std::array<long, 2> peaks{};
    bool got = ::read(channel[0], peaks.data(), sizeof peaks) == static_cast<ssize_t>(sizeof peaks);
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);
    if (!got) return state.SkipWithError("the measuring child failed");
    state.counters["peak_rss_before_KiB"] = static_cast<double>(peaks[0]);
    state.counters["peak_rss_after_KiB"] = static_cast<double>(peaks[1]);
    state.counters["peak_rss_growth_KiB"] = static_cast<double>(peaks[1] - peaks[0]);
}

void ReadWithVorne(benchmark::State& state) {
    const std::string& path = SparseImage();
    auto read = [&] {
        vorne::NesHeader reader;
        reader.LoadFile(path);
        if (reader.ColumnText(vorne::NesField::InternalTitle) != "Twenty bytes of text") {
            state.SkipWithError("the title was not read");
        }
        benchmark::DoNotOptimize(reader.Crc());
    };
    for (auto _ : state) read();
    state.SetBytesProcessed(state.iterations() * kImageBytes);
    MeasurePeakRss(state, read);
}

void PlainChunkedRead(benchmark::State& state) {
    const std::string& path = SparseImage();
    auto read = [&] { benchmark::DoNotOptimize(ReadInMebibyteChunks(path)); };
    for (auto _ : state) read();
    state.SetBytesProcessed(state.iterations() * kImageBytes);
    MeasurePeakRss(state, read);
}

BENCHMARK(ReadWithVorne)->Name("nes-crc/1gib-sparse/vorne")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PlainChunkedRead)->Name("nes-crc/1gib-sparse/read-1mib-chunks-crc32")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
