// Runs every benchmark, then prints how our code compares with the yardsticks measured in the
// same run. A benchmark named "<group>/vorne" is ours; every other "<group>/<name>" is a
// yardstick for it, and the table gives yardstick time / our time (above 1: we are faster).
// With --benchmark_repetitions=N each time is the median of the N runs, which a busy machine's
// outliers do not move.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/heap_tuning.h"

namespace {

struct Measured {
    std::string impl;
    std::vector<double> nanosecondsPerIteration;  // one a repetition
    std::vector<double> bytesPerSecond;
};

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t half = values.size() / 2;
    return values.size() % 2 == 1 ? values[half] : (values[half - 1] + values[half]) / 2;
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            std::string name = run.benchmark_name();
            // Drop Google Benchmark's own suffixes ("/real_time", "/iterations:N", ...).
            for (const char* suffix : {"/iterations:", "/real_time", "/process_time", "/manual_time"}) {
                if (auto at = name.find(suffix); at != std::string::npos) name.erase(at);
            }
            auto slash = name.rfind('/');
            if (slash == std::string::npos) continue;
            double perIteration = run.GetAdjustedRealTime() * NanosPerUnit(run.time_unit);
            double bytes = 0;
            if (auto it = run.counters.find("bytes_per_second"); it != run.counters.end()) bytes = it->second;
            std::vector<Measured>& group = groups[name.substr(0, slash)];
            const std::string impl = name.substr(slash + 1);
            auto same = std::find_if(group.begin(), group.end(), [&](const Measured& m) { return m.impl == impl; });
            if (same == group.end()) same = group.insert(group.end(), {impl, {}, {}});
            same->nanosecondsPerIteration.push_back(perIteration);
            same->bytesPerSecond.push_back(bytes);
            if (std::find(order.begin(), order.end(), name.substr(0, slash)) == order.end()) {
                order.push_back(name.substr(0, slash));
            }
        }
    }

    void PrintRatios() const {
        std::printf("\nRatios (yardstick time / vorne time; above 1.00 means vorne is faster):\n");
        for (const std::string& group : order) {
            const auto& runs = groups.at(group);
            const Measured* ours = nullptr;
            for (const Measured& m : runs) {
                if (m.impl == "vorne") ours = &m;
            }
            if (ours == nullptr) continue;
            const double ourTime = Median(ours->nanosecondsPerIteration);
            const double ourBytes = Median(ours->bytesPerSecond);
            std::printf("  %-44s vorne %12.0f ns", group.c_str(), ourTime);
            if (ourBytes > 0) std::printf(" (%7.2f GB/s)", ourBytes / 1e9);
            if (ours->nanosecondsPerIteration.size() > 1) std::printf(" (median of %zu)", ours->nanosecondsPerIteration.size());
            std::printf("\n");
            for (const Measured& m : runs) {
                if (&m == ours) continue;
                std::printf("  %-44s   vs %-14s %6.2fx\n", "", m.impl.c_str(),
                            Median(m.nanosecondsPerIteration) / ourTime);
            }
        }
    }

private:
    static double NanosPerUnit(benchmark::TimeUnit unit) {
        switch (unit) {
            case benchmark::kNanosecond: return 1;
            case benchmark::kMicrosecond: return 1e3;
            case benchmark::kMillisecond: return 1e6;
            case benchmark::kSecond: return 1e9;
        }
        return 1;
    }

    std::map<std::string, std::vector<Measured>> groups;
    std::vector<std::string> order;
};

}  // namespace

int main(int argc, char** argv) {
    vorne::KeepFreedMemoryForReuse();  // as vorne-cli and vorne start
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
