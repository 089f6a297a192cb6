// Reading a 1 GiB NES image (a sparse file, so it takes no disk) for its CRC-32: the time, and
// the peak memory it costs, against plainly reading the same file in 1 MiB chunks with CRC-32.
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
#include "peak_rss.h"

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
    vorne::bench::MeasurePeakRss(state, read);
}

void PlainChunkedRead(benchmark::State& state) {
    const std::string& path = SparseImage();
    auto read = [&] { benchmark::DoNotOptimize(ReadInMebibyteChunks(path)); };
    for (auto _ : state) read();
    state.SetBytesProcessed(state.iterations() * kImageBytes);
    vorne::bench::MeasurePeakRss(state, read);
}

BENCHMARK(ReadWithVorne)->Name("nes-crc/1gib-sparse/vorne")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PlainChunkedRead)->Name("nes-crc/1gib-sparse/read-1mib-chunks-crc32")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
