// The batch tools against what they cannot beat. convert: a 4 MiB Genesis image made interleaved
// and a 32 MiB 32X image made linear, each against a plain copy of the same file (both read in
// 1 MiB pieces and synced to disk; the output is removed between iterations, untimed).
// clean-headers: the header cleaner over 20,000 NES files whose reserved bytes hold a signature,
// against reading each file's header the way the scan does; the signatures are put back between
// iterations, untimed. Files live in /tmp/vorne-bench/tools.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/catalog_model.h"
#include "formats/nes.h"
#include "images.h"
#include "platform/file.h"
#include "tools/genesis_conversion.h"
#include "tools/nes_header_cleaner.h"

namespace {

using vorne::samples::Bytes;

std::string Folder(const std::string& name) {
    std::string folder = "/tmp/vorne-bench/tools/" + name;
    std::filesystem::create_directories(folder);
    return folder;
}

// The yardstick: the file copied as it is, in 1 MiB pieces, to a new file that is synced.
void PlainCopy(const std::string& from, const std::string& to) {
    vorne::File source = vorne::File::OpenRead(from);
    int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    vorne::File out = vorne::File::Adopt(fd, to);
    std::vector<std::uint8_t> buffer(std::size_t{1} << 20);
    std::int64_t at = 0;
    while (std::size_t got = source.ReadAt(at, buffer)) {
        out.WriteAt(at, std::span(buffer).first(got));
        at += static_cast<std::int64_t>(got);
    }
    out.Sync();
    out.Close();
}

struct ConversionFile {
    std::string source;
    std::string output;  // what the conversion makes
    std::size_t size;
};

const ConversionFile& Genesis4MiB() {
    static const ConversionFile file = [] {
        std::string source = Folder("convert") + "/genesis.bin";
        Bytes image = vorne::samples::MakeGenesis({.size = std::size_t{4} << 20, .seed = 1});
        vorne::samples::WriteFile(source, image);
        return ConversionFile{source, Folder("convert") + "/genesis.smd", image.size()};
    }();
    return file;
}

const ConversionFile& Interleaved32X32MiB() {
    static const ConversionFile file = [] {
        std::string source = Folder("convert") + "/star.32x";
        Bytes linear = vorne::samples::MakeGenesis({.is32X = true, .size = std::size_t{32} << 20, .seed = 2});
        vorne::samples::WriteFile(source, vorne::samples::Interleave(linear, 512 * 1024, false));
        return ConversionFile{source, Folder("convert") + "/star.bin", linear.size()};
    }();
    return file;
}

template <typename Work>
void TimedOutput(benchmark::State& state, const ConversionFile& file, Work work) {
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(file.output);
        state.ResumeTiming();
        work(file);
    }
    std::filesystem::remove(file.output);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(file.size));
}

void ConvertGenesisVorne(benchmark::State& state) {
    TimedOutput(state, Genesis4MiB(), [](const ConversionFile& f) { vorne::ConvertGenesisFile(f.source); });
}
void ConvertGenesisCopy(benchmark::State& state) {
    TimedOutput(state, Genesis4MiB(), [](const ConversionFile& f) { PlainCopy(f.source, f.output); });
}
void Convert32XVorne(benchmark::State& state) {
    TimedOutput(state, Interleaved32X32MiB(), [](const ConversionFile& f) { vorne::ConvertGenesisFile(f.source); });
}
void Convert32XCopy(benchmark::State& state) {
    TimedOutput(state, Interleaved32X32MiB(), [](const ConversionFile& f) { PlainCopy(f.source, f.output); });
}

// 20,000 small NES images with a signature in their reserved bytes, and their rows.
constexpr int kNesFiles = 20000;
const std::array<std::uint8_t, 9> kSignature{'D', 'i', 's', 'k', 'D', 'u', 'd', 'e', '!'};

struct NesCollection {
    std::string folder;
    std::vector<vorne::CatalogRow> rows;
};

const NesCollection& NesFiles() {
    static const NesCollection collection = [] {
        NesCollection c{Folder("clean")};
        for (int i = 0; i < kNesFiles; ++i) {
            std::string name = std::to_string(i) + ".nes";
            Bytes image = vorne::samples::MakeNes({.prgBanks = 0, .chrBanks = 0, .bytes7to15 = kSignature, .seed = 1});
            Bytes data = vorne::samples::Filler(2048, static_cast<std::uint32_t>(i));
            image.insert(image.end(), data.begin(), data.end());
            // Made once: truncating and rewriting 20,000 files on every run costs more than the run.
            if (!std::filesystem::exists(c.folder + "/" + name)) vorne::samples::WriteFile(c.folder + "/" + name, image);
            vorne::CatalogRow row;
            row.cells = {"", name, std::to_string(image.size())};
            row.file.path = name;  // the tools take the file from here
            c.rows.push_back(std::move(row));
        }
        return c;
    }();
    return collection;
}

void PutSignaturesBack(const NesCollection& c) {
    for (const vorne::CatalogRow& row : c.rows) {
        vorne::File::OpenReadWrite(c.folder + "/" + row.cells[vorne::kFilenameColumn]).WriteAt(7, kSignature);
    }
}

class QuietReport final : public vorne::ToolReport {
public:
    void Status(int, std::string) override {}
    bool Ask(std::string_view, std::string_view) override { return false; }
    void Message(std::string_view, std::string_view) override {}
    void Skipped(std::string_view, std::string_view) override {}
    void Failed(std::string_view, std::string_view) override {}
};

void CleanHeadersVorne(benchmark::State& state) {
    const NesCollection& c = NesFiles();
    QuietReport report;
    for (auto _ : state) {
        state.PauseTiming();
        PutSignaturesBack(c);
        state.ResumeTiming();
        vorne::CleanerCounts counts = vorne::CleanNesHeaders(c.folder, c.rows, vorne::ToolScope::WholeList, report);
        if (counts.cleaned != kNesFiles) state.SkipWithError("not every header was cleaned");
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kNesFiles);
}

void ReadHeaders(benchmark::State& state) {
    const NesCollection& c = NesFiles();
    for (auto _ : state) {
        vorne::NesHeader reader;
        for (const vorne::CatalogRow& row : c.rows) {
            reader.LoadFile(c.folder + "/" + row.cells[vorne::kFilenameColumn]);
            benchmark::DoNotOptimize(reader.Crc());
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kNesFiles);
}

}  // namespace

BENCHMARK(ConvertGenesisVorne)->Name("tools/convert-genesis-4MiB/vorne")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(ConvertGenesisCopy)->Name("tools/convert-genesis-4MiB/plain-copy")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(Convert32XVorne)->Name("tools/convert-32x-32MiB/vorne")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);
BENCHMARK(Convert32XCopy)->Name("tools/convert-32x-32MiB/plain-copy")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);
BENCHMARK(CleanHeadersVorne)->Name("tools/clean-headers-20000-files/vorne")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(ReadHeaders)->Name("tools/clean-headers-20000-files/read-headers")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
