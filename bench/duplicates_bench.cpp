// The duplicate finder on 100,000 rows, against the floor of sorting the same keys with the
// standard library and comparing neighbours.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>

#include "catalogue/duplicate_finder.h"

namespace {

constexpr int kRows = 100'000;

// NES-like rows: one in ten duplicates an earlier image.
vorne::CatalogModel MakeRows() {
    vorne::CatalogModel model;
    model.Reset(vorne::ColumnCount(vorne::RomType::Nes));
    std::mt19937 random(5);
    std::vector<unsigned> crcs;
    char crc[9];
    for (int i = 0; i < kRows; ++i) {
        unsigned value = (i % 10 == 9 && !crcs.empty()) ? crcs[random() % crcs.size()] : static_cast<unsigned>(random());
        crcs.push_back(value);
        std::snprintf(crc, sizeof crc, "%08x", value);
        vorne::CatalogRow row;
        row.cells = {crc, "folder/game " + std::to_string(i) + ".nes", "40976", std::to_string(value % 5), "32k", "8k",
                     "Horizontal", "No", "No", "No", "", "", ""};
        model.InsertRow(i, std::move(row));
    }
    return model;
}

void FindDuplicates(benchmark::State& state) {
    const vorne::CatalogModel rows = MakeRows();
    for (auto _ : state) {
        state.PauseTiming();
        vorne::CatalogModel model = rows;
        state.ResumeTiming();
        benchmark::DoNotOptimize(vorne::FindDuplicates(model, vorne::RomType::Nes, [](int, std::string) {}));
    }
}

void SortFloor(benchmark::State& state) {
    const vorne::CatalogModel rows = MakeRows();
    for (auto _ : state) {
        state.PauseTiming();
        vorne::CatalogModel model = rows;
        state.ResumeTiming();
        std::vector<int> order(kRows);
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](int a, int b) { return model.Cell(a, 0) < model.Cell(b, 0); });
        int unique = 0;
        for (int i = 0; i < kRows; ++i) unique += i == 0 || model.Cell(order[i], 0) != model.Cell(order[i - 1], 0);
        benchmark::DoNotOptimize(unique);
    }
}

BENCHMARK(FindDuplicates)->Name("find-duplicates/100k-rows/vorne")->Unit(benchmark::kMillisecond);
BENCHMARK(SortFloor)->Name("find-duplicates/100k-rows/std-sort-floor")->Unit(benchmark::kMillisecond);

}  // namespace
