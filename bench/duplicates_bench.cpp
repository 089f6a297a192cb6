// The duplicate finder on 100,000 rows, against the floor of sorting the same keys with the
// standard library and comparing neighbours. Three shapes: distinct keys with one row in ten a
// duplicate (NES), and 100,000 rows sharing one title (Game Boy), once with every other column
// distinct and once with many rows alike.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <numeric>
#include <random>

#include "catalogue/duplicate_finder.h"

namespace {

constexpr int kRows = 100'000;

struct Shape {
    vorne::RomType type;
    std::function<std::vector<std::string>(int row, std::mt19937& random)> cells;
};

vorne::CatalogModel MakeRows(const Shape& shape) {
    vorne::CatalogModel model;
    model.Reset(vorne::Kind(shape.type).columns);
    std::mt19937 random(5);
    for (int i = 0; i < kRows; ++i) model.InsertRow(i, vorne::CatalogRow{shape.cells(i, random)});
    return model;
}

// NES-like rows: one in ten duplicates an earlier image.
const Shape kDistinctKeys{vorne::RomType::Nes, [crcs = std::vector<unsigned>()](int i, std::mt19937& random) mutable {
    if (i == 0) crcs.clear();
    unsigned value = (i % 10 == 9 && !crcs.empty()) ? crcs[random() % crcs.size()] : static_cast<unsigned>(random());
    crcs.push_back(value);
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", value);
    return std::vector<std::string>{crc, "folder/game " + std::to_string(i) + ".nes", "40976", std::to_string(value % 5),
                                    "32k", "8k", "Horizontal", "No", "No", "No", "", "", ""};
}};

// Game Boy rows of one title whose checksums take `checksums` values.
Shape OneTitle(int checksums) {
    return {vorne::RomType::Gameboy, [checksums](int i, std::mt19937& random) {
                return std::vector<std::string>{"POCKET MONSTERS", "folder/game " + std::to_string(i) + ".gb", "1048576",
                                                "1024k", "8k", std::to_string(random() % static_cast<unsigned>(checksums)),
                                                "1", "No", "Japan", "ROM+MBC3+RAM+BATT"};
            }};
}

void FindDuplicates(benchmark::State& state, const Shape& shape) {
    const vorne::CatalogModel rows = MakeRows(shape);
    int unique = 0;
    for (auto _ : state) {
        state.PauseTiming();
        vorne::CatalogModel model = rows;
        state.ResumeTiming();
        unique = vorne::FindDuplicates(model, shape.type, [](int, std::string) {});
        benchmark::DoNotOptimize(unique);
    }
    state.counters["unique"] = unique;
}

void SortFloor(benchmark::State& state, const Shape& shape) {
    const vorne::CatalogModel rows = MakeRows(shape);
    for (auto _ : state) {
        state.PauseTiming();
        vorne::CatalogModel model = rows;
        state.ResumeTiming();
        std::vector<int> order(kRows);
        std::iota(order.begin(), order.end(), 0);
        auto key = [&](int row) { return model.Cell(row, vorne::kKeyColumn); };
        std::sort(order.begin(), order.end(), [&](int a, int b) { return key(a) < key(b); });
        int unique = 0;
        for (int i = 0; i < kRows; ++i) unique += i == 0 || key(order[i]) != key(order[i - 1]);
        benchmark::DoNotOptimize(unique);
    }
}

BENCHMARK_CAPTURE(FindDuplicates, distinct, kDistinctKeys)->Name("find-duplicates/100k-rows/vorne")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SortFloor, distinct, kDistinctKeys)->Name("find-duplicates/100k-rows/std-sort-floor")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FindDuplicates, one_key, OneTitle(1'000'000'000))
    ->Name("find-duplicates/100k-rows-one-key-all-different/vorne")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SortFloor, one_key, OneTitle(1'000'000'000))
    ->Name("find-duplicates/100k-rows-one-key-all-different/std-sort-floor")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FindDuplicates, one_key_alike, OneTitle(100))
    ->Name("find-duplicates/100k-rows-one-key-many-alike/vorne")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SortFloor, one_key_alike, OneTitle(100))
    ->Name("find-duplicates/100k-rows-one-key-many-alike/std-sort-floor")->Unit(benchmark::kMillisecond);

}  // namespace
