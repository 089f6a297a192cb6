#include "catalogue/parallel_loader.h"

#include <algorithm>
#include <utility>

namespace vorne {

namespace {

// Below this many jobs the hand-over costs more than it saves.
constexpr std::size_t kSmallBatch = 4;
constexpr int kMostThreads = 4;

}  // namespace

ParallelLoader::ParallelLoader(int threads, std::uint64_t memberBudget) : memberBudget(memberBudget) {
    if (threads <= 0) threads = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMostThreads);
    for (int worker = 1; worker < threads; ++worker) helpers.emplace_back([this, worker] { Help(worker); });
}

ParallelLoader::~ParallelLoader() {
    {
        std::lock_guard lock(mutex);
        quitting = true;
    }
    wake.notify_all();
    for (std::thread& helper : helpers) helper.join();
}

void ParallelLoader::Run(std::size_t jobs, const std::function<void(std::size_t, int)>& job) {
    // A small batch is not worth waking the helpers for: the calling thread does it alone.
    const bool shared = jobs >= kSmallBatch && !helpers.empty();
    {
        std::lock_guard lock(mutex);
        current = &job;
        count = jobs;
        next = 0;
        failure = nullptr;
        busy = shared ? static_cast<int>(helpers.size()) : 0;
        if (shared) ++generation;
    }
    if (shared) wake.notify_all();
    Work(0);
    std::unique_lock lock(mutex);
    finished.wait(lock, [this] { return busy == 0; });
    current = nullptr;
    if (failure) std::rethrow_exception(std::exchange(failure, nullptr));
}

void ParallelLoader::Work(int worker) {
    for (std::size_t i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
        try {
            (*current)(i, worker);
        } catch (...) {
            std::lock_guard lock(mutex);
            if (!failure) failure = std::current_exception();
        }
    }
}

void ParallelLoader::Help(int worker) {
    std::uint64_t seen = 0;
    while (true) {
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [&] { return quitting || generation != seen; });
            if (quitting) return;
            seen = generation;
        }
        Work(worker);
        {
            std::lock_guard lock(mutex);
            --busy;
        }
        finished.notify_one();
    }
}

}  // namespace vorne
