// A few threads that work through a numbered list of jobs together: the scan loads a folder's
// files (and decodes an archive's members) on all cores, then hands the results on in list order,
// so the rows come out exactly as a scan on one thread would give them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "archive/memory_budget.h"

namespace vorne {

// How many bytes of archive members the loader's jobs hold at once, whatever the core count.
inline constexpr std::uint64_t kMemberMemoryBudget = 1ull << 30;

class ParallelLoader {
public:
    // `threads` workers in all, the calling thread among them; 0 picks one per core, up to 4.
    explicit ParallelLoader(int threads = 0, std::uint64_t memberBudget = kMemberMemoryBudget);
    ~ParallelLoader();
    ParallelLoader(const ParallelLoader&) = delete;
    ParallelLoader& operator=(const ParallelLoader&) = delete;

    int Threads() const { return static_cast<int>(helpers.size()) + 1; }

    // Calls job(i, worker) once for every i below `count`, on all workers at once; `worker` (0 to
    // Threads() - 1) tells which, so that each can keep its own reader. Returns when every job is
    // done. A job that throws does not stop the others: when all have ended, the first exception
    // thrown is thrown again here.
    void Run(std::size_t count, const std::function<void(std::size_t, int)>& job);

    // The budget the jobs reserve archive members' memory from.
    MemoryBudget& MemberBudget() { return memberBudget; }

private:
    void Work(int worker);
    void Help(int worker);

    std::vector<std::thread> helpers;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable finished;
    const std::function<void(std::size_t, int)>* current = nullptr;
    std::size_t count = 0;
    std::atomic<std::size_t> next{0};
    std::uint64_t generation = 0;  // one per Run, so a helper takes each batch once
    int busy = 0;                  // helpers still working on the current batch
    bool quitting = false;
    std::exception_ptr failure;    // the first exception a job of the current batch threw
    MemoryBudget memberBudget;
};

}  // namespace vorne
