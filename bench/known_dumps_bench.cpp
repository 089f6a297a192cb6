// The known-dump lookup over a 3 MB list: the index against the plain substring search.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>

#include "catalogue/known_dumps.h"

namespace {

struct List {
    std::string text;
    std::vector<std::string> probes;  // half of them in the list, half not
};

const List& ThreeMegabyteList() {
    static const List list = [] {
        List l;
        std::mt19937 random(1);
        char line[128];
        std::vector<std::string> present;
        while (l.text.size() < 3'000'000) {
            unsigned crc = static_cast<unsigned>(random());
            std::snprintf(line, sizeof line, "%08x\t\tSome Made Up Title Number %u (U) [!]\r\n", crc, static_cast<unsigned>(random() % 100000));
            l.text += line;
            if (random() % 64 == 0) present.emplace_back(line, 8);
        }
        for (std::size_t i = 0; i < 512; ++i) {
            if (i % 2 == 0) {
                l.probes.push_back(present[i % present.size()]);
            } else {
                std::snprintf(line, sizeof line, "%08x", static_cast<unsigned>(random()));
                l.probes.emplace_back(line);
            }
        }
        return l;
    }();
    return list;
}

void LookUp(benchmark::State& state, bool indexed) {
    const List& l = ThreeMegabyteList();
    vorne::KnownDumpList list(l.text);
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string& crc = l.probes[i++ % l.probes.size()];
        benchmark::DoNotOptimize(indexed ? list.LookUpKnownName(crc) : vorne::LookUpInListText(l.text, crc));
    }
}

// The index is built once per scan, when the list is loaded: its cost against merely taking in
// the text, which the plain search needs too.
void Load(benchmark::State& state) {
    const List& l = ThreeMegabyteList();
    for (auto _ : state) benchmark::DoNotOptimize(vorne::KnownDumpList(l.text));
}

void CopyText(benchmark::State& state) {
    const List& l = ThreeMegabyteList();
    for (auto _ : state) benchmark::DoNotOptimize(std::string(l.text));
}

BENCHMARK_CAPTURE(LookUp, vorne, true)->Name("known-dumps/lookup-3MB/vorne");
BENCHMARK_CAPTURE(LookUp, search, false)->Name("known-dumps/lookup-3MB/substring-search");
BENCHMARK(Load)->Name("known-dumps/load-3MB/vorne")->Unit(benchmark::kMillisecond);
BENCHMARK(CopyText)->Name("known-dumps/load-3MB/text-only")->Unit(benchmark::kMillisecond);

}  // namespace
