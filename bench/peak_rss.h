// The peak memory one piece of work costs, for the benchmarks that show memory beside time.
//
// Peak RSS only ever rises within a process, so an earlier benchmark's peak would hide ours: the
// memory is measured once in a forked child, whose peak is first lowered to what it holds.
#pragma once

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <functional>

namespace vorne::bench {

inline long PeakRssKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Runs `work` once in a child process and puts its peak RSS before and after, and the growth,
// into the counters. Returns the growth in KiB (-1 when the child failed).
inline long MeasurePeakRss(benchmark::State& state, const std::function<void()>& work) {
    int channel[2];
    if (::pipe(channel) != 0) {
        state.SkipWithError("pipe failed");
        return -1;
    }
    pid_t child = ::fork();
    if (child == 0) {
        // Start the peak from what the child really holds: memory the parent freed but kept would
        // be reused without showing, so give it back, then lower the peak to the current RSS.
        ::malloc_trim(0);
        int clear = ::open("/proc/self/clear_refs", O_WRONLY);
        benchmark::DoNotOptimize(::write(clear, "5", 1));
        ::close(clear);
        std::array<long, 2> peaks{PeakRssKiB(), 0};
        work();
        peaks[1] = PeakRssKiB();
        benchmark::DoNotOptimize(::write(channel[1], peaks.data(), sizeof peaks));
        ::_exit(0);
    }
    ::close(channel[1]);
    std::array<long, 2> peaks{};
    bool got = ::read(channel[0], peaks.data(), sizeof peaks) == static_cast<ssize_t>(sizeof peaks);
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);
    if (!got) {
        state.SkipWithError("the measuring child failed");
        return -1;
    }
    state.counters["peak_rss_before_KiB"] = static_cast<double>(peaks[0]);
    state.counters["peak_rss_after_KiB"] = static_cast<double>(peaks[1]);
    state.counters["peak_rss_growth_KiB"] = static_cast<double>(peaks[1] - peaks[0]);
    return peaks[1] - peaks[0];
}

}  // namespace vorne::bench
