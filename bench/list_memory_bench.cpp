// Memory that follows what is kept, not the size of the input: the known-dump list, compare and
// an IPS patch that is no patch, each read from files of 100 MB and more, against reading the
// same files whole into memory (what each did before). The counters give the peak RSS growth of
// one run and its ratio to the input's size.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "catalogue/known_dumps.h"
#include "images.h"
#include "peak_rss.h"
#include "platform/file.h"
#include "tools/ips_patch.h"
#include "tools/list_compare.h"

namespace {

const std::string kFolder = "/tmp/vorne-bench";

// Writes `lines` lines made by `line(i)` to `name` in the bench folder, once.
template <typename Line>
std::string TextFile(const std::string& name, int lines, Line line) {
    const std::string path = kFolder + "/" + name;
    if (std::filesystem::exists(path)) return path;
    std::filesystem::create_directories(kFolder);
    std::string text;
    for (int i = 0; i < lines; ++i) text += line(i);
    vorne::samples::WriteFile(path, vorne::samples::Bytes(text.begin(), text.end()));
    return path;
}

// A known-dump list of 128 MB: 500,000 lines whose names run past the 100 characters kept,
// naming 50,000 different CRCs (each ten times, as lists merged from several sources do).
const std::string& LongKnownDumpList() {
    static const std::string path = TextFile("nescrcs-128mb.txt", 500000, [](int i) {
        char head[32];
        std::snprintf(head, sizeof head, "%08x\t\t", static_cast<unsigned>(i % 50000) * 2654435761u);
        return std::string(head) + "Some Made Up Title " + std::to_string(i) + std::string(230, '~') + "\r\n";
    });
    return path;
}

// Two lists of a million lines each, as save-list writes them; half the test lines match.
std::string ListLine(int i, int salt) {
    char line[160];
    std::snprintf(line, sizeof line, "%08x\tgame%07d.nes      \t%-8d\tTitle of game %d, some words of it (U) [!]\r\n",
                  static_cast<unsigned>(i) * 2654435761u, i + salt, 40976 + i % 7, i);
    return line;
}
const std::string& OriginalList() {
    static const std::string path = TextFile("original-1m.txt", 1000000, [](int i) { return ListLine(i, 0); });
    return path;
}
const std::string& TestList() {
    static const std::string path = TextFile("test-1m.txt", 1000000, [](int i) { return ListLine(i % 2 == 0 ? i : -i, 7); });
    return path;
}

// A 128 MB file taken for a patch: text, with no end marker anywhere a reader would look for it.
const std::string& WrongPatch() {
    static const std::string path = TextFile("wrong-128mb.ips", 1000000, [](int i) {
        return "PATCHed together by line " + std::to_string(i) + std::string(100, 'x') + "\n";
    });
    return path;
}

double SizeKiB(const std::string& path) { return static_cast<double>(std::filesystem::file_size(path)) / 1024.0; }

void Report(benchmark::State& state, long growthKiB, double inputKiB) {
    state.counters["input_KiB"] = inputKiB;
    state.counters["growth_per_input"] = static_cast<double>(growthKiB) / inputKiB;
}

void ReadWhole(benchmark::State& state, const std::vector<std::string>& paths) {
    auto read = [&] {
        std::vector<std::vector<std::uint8_t>> held;  // all at once, as a comparison holds both lists
        for (const std::string& path : paths) held.push_back(vorne::ReadWholeFile(path));
        benchmark::DoNotOptimize(held);
    };
    for (auto _ : state) read();
    double input = 0;
    for (const std::string& path : paths) input += SizeKiB(path);
    Report(state, vorne::bench::MeasurePeakRss(state, read), input);
}

void KnownDumpsVorne(benchmark::State& state) {
    const std::string& path = LongKnownDumpList();
    auto load = [&] {
        auto list = vorne::KnownDumpList::Load(path);
        if (!list || list->EntryCount() != 50000) state.SkipWithError("the list was not read");
        benchmark::DoNotOptimize(list);
    };
    for (auto _ : state) load();
    Report(state, vorne::bench::MeasurePeakRss(state, load), SizeKiB(path));
}
void KnownDumpsReadWhole(benchmark::State& state) { ReadWhole(state, {LongKnownDumpList()}); }

void CompareVorne(benchmark::State& state) {
    const std::string& original = OriginalList();
    const std::string& test = TestList();
    auto compare = [&] {
        const vorne::ListEntries a = vorne::ReadListEntries(original);
        const vorne::ListEntries b = vorne::ReadListEntries(test);
        const std::vector<std::uint32_t> unmatched = vorne::UnmatchedEntries(a, b);
        std::size_t written = 0;
        vorne::WriteUnmatchedText(unmatched.size(), [&](std::size_t i) { return b[unmatched[i]]; },
                                  [&](std::string_view piece) { written += piece.size(); });
        if (unmatched.size() != 500000) state.SkipWithError("not half of the lines unmatched");
        benchmark::DoNotOptimize(written);
    };
    for (auto _ : state) compare();
    Report(state, vorne::bench::MeasurePeakRss(state, compare), SizeKiB(original) + SizeKiB(test));
}
void CompareReadWhole(benchmark::State& state) { ReadWhole(state, {OriginalList(), TestList()}); }

// The window's dialog keeps every entry as a string of its own, to show them; vorne-cli compare did
// the same before.
void CompareAsStrings(benchmark::State& state) {
    auto compare = [&] {
        vorne::ListComparison comparison;
        comparison.SetOriginal(vorne::ReadListFile(OriginalList()));
        comparison.SetTest(vorne::ReadListFile(TestList()));
        comparison.Compare();
        benchmark::DoNotOptimize(vorne::UnmatchedFileText(comparison.unmatched));
    };
    for (auto _ : state) compare();
    Report(state, vorne::bench::MeasurePeakRss(state, compare), SizeKiB(OriginalList()) + SizeKiB(TestList()));
}

void IpsVorne(benchmark::State& state) {
    const std::string target = kFolder + "/ips-target.bin";
    vorne::samples::WriteFile(target, vorne::samples::Bytes(4096, 1));
    auto apply = [&] {
        if (vorne::ApplyIpsPatch(target, WrongPatch()).outcome == vorne::IpsOutcome::Applied) {
            state.SkipWithError("a file that is no patch was applied");
        }
    };
    for (auto _ : state) apply();
    Report(state, vorne::bench::MeasurePeakRss(state, apply), SizeKiB(WrongPatch()));
}
void IpsReadWhole(benchmark::State& state) { ReadWhole(state, {WrongPatch()}); }

BENCHMARK(KnownDumpsVorne)->Name("memory/known-dumps-128MB/vorne")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(KnownDumpsReadWhole)->Name("memory/known-dumps-128MB/read-whole")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(CompareVorne)->Name("memory/compare-1M-x-1M-lines/vorne")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(CompareReadWhole)->Name("memory/compare-1M-x-1M-lines/read-whole")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(CompareAsStrings)->Name("memory/compare-1M-x-1M-lines/strings-and-hash-set")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(IpsVorne)->Name("memory/ips-128MB-wrong-file/vorne")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(IpsReadWhole)->Name("memory/ips-128MB-wrong-file/read-whole")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
