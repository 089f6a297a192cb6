#include "catalogue/parallel_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "catalogue/scan.h"
#include "catalogue/scan_queue.h"
#include "images.h"
#include "platform/directory.h"
#include "support/temp_dir.h"

namespace vorne {
namespace parallel_loader_test {
namespace {

TEST(ParallelLoader, RunsEveryJobOnceOnValidWorkers) {
    for (int threads : {1, 2, 4}) {
        ParallelLoader loader(threads);
        ASSERT_EQ(loader.Threads(), threads);
        for (std::size_t jobs : {0u, 1u, 3u, 4u, 1000u}) {
            std::vector<std::atomic<int>> runs(jobs);
            std::atomic<bool> badWorker{false};
            loader.Run(jobs, [&](std::size_t i, int worker) {
                runs[i]++;
                if (worker < 0 || worker >= threads) badWorker = true;
            });
            for (std::size_t i = 0; i < jobs; ++i) ASSERT_EQ(runs[i], 1) << threads << " " << jobs << " " << i;
            EXPECT_FALSE(badWorker);
        }
    }
}

// A job that throws does not stop the others; Run throws the first exception once all have
// ended, and the loader is ready for the next batch.
TEST(ParallelLoader, CarriesAJobsExceptionBackToTheCaller) {
    struct Case {
        int threads;
        std::size_t jobs;
        std::vector<std::size_t> throwing;
    };
    const Case cases[] = {
        {1, 10, {3}}, {2, 2, {0}}, {2, 100, {0}}, {4, 100, {99}}, {4, 1000, {10, 500, 999}}, {3, 3, {0, 1, 2}},
    };
    for (const Case& c : cases) {
        ParallelLoader loader(c.threads);
        std::vector<std::atomic<int>> runs(c.jobs);
        bool thrown = false;
        try {
            loader.Run(c.jobs, [&](std::size_t i, int) {
                runs[i]++;
                if (std::find(c.throwing.begin(), c.throwing.end(), i) != c.throwing.end()) {
                    throw std::runtime_error("job " + std::to_string(i));
                }
            });
        } catch (const std::runtime_error& e) {
            thrown = true;
            EXPECT_EQ(std::string(e.what()).rfind("job ", 0), 0u);
        }
        EXPECT_TRUE(thrown) << c.threads << " " << c.jobs;
        for (std::size_t i = 0; i < c.jobs; ++i) ASSERT_EQ(runs[i], 1) << c.threads << " " << c.jobs << " " << i;
        // The next batch runs and throws nothing.
        std::atomic<std::size_t> later{0};
        EXPECT_NO_THROW(loader.Run(50, [&](std::size_t, int) { later++; }));
        EXPECT_EQ(later, 50u);
    }
}

// However many workers there are, the bytes reserved from the member budget at once stay within
// it; a reservation larger than the whole budget runs alone.
TEST(ParallelLoader, MemberBudgetBoundsTheBytesHeldAtOnce) {
    struct Case {
        int threads;
        std::uint64_t budget;
        std::vector<std::uint64_t> sizes;  // of each job's member
    };
    const Case cases[] = {
        {4, 100, std::vector<std::uint64_t>(40, 40)},         // two at a time
        {4, 100, std::vector<std::uint64_t>(40, 100)},        // one at a time
        {4, 100, {500, 10, 10, 500, 10, 10, 10, 10, 500}},     // the large ones alone
        {2, 1000, std::vector<std::uint64_t>(30, 1)},         // all the workers at once
    };
    for (const Case& c : cases) {
        ParallelLoader loader(c.threads, c.budget);
        std::mutex mutex;
        std::uint64_t held = 0, mostHeld = 0;
        int alive = 0, mostAlive = 0;
        bool largeNotAlone = false;
        loader.Run(c.sizes.size(), [&](std::size_t i, int) {
            MemoryBudget::Lease lease = loader.MemberBudget().Reserve(c.sizes[i]);
            {
                std::lock_guard lock(mutex);
                held += lease.Held();
                ++alive;
                mostHeld = std::max(mostHeld, held);
                mostAlive = std::max(mostAlive, alive);
                if (c.sizes[i] >= c.budget && alive > 1) largeNotAlone = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            std::lock_guard lock(mutex);
            held -= lease.Held();
            --alive;
        });
        EXPECT_LE(mostHeld, c.budget);
        EXPECT_FALSE(largeNotAlone);
        EXPECT_EQ(loader.MemberBudget().InUse(), 0u);
        const std::uint64_t smallest = *std::min_element(c.sizes.begin(), c.sizes.end());
        const int fit = static_cast<int>(std::min<std::uint64_t>(c.budget / smallest, static_cast<std::uint64_t>(c.threads)));
        EXPECT_LE(mostAlive, fit);
    }
}

TEST(MemoryBudget, LeasesShrinkMoveAndWait) {
    MemoryBudget budget(100);
    MemoryBudget::Lease a = budget.Reserve(60);
    EXPECT_EQ(budget.InUse(), 60u);
    a.ShrinkTo(20);
    a.ShrinkTo(50);  // a lease never grows
    EXPECT_EQ(a.Held(), 20u);
    EXPECT_EQ(budget.InUse(), 20u);
    MemoryBudget::Lease moved = std::move(a);
    EXPECT_EQ(moved.Held(), 20u);
    EXPECT_EQ(budget.InUse(), 20u);
    // More than the whole budget waits until nothing is held, then holds all of it.
    std::atomic<bool> got{false};
    std::thread waiter([&] {
        MemoryBudget::Lease all = budget.Reserve(1000);
        got = true;
        EXPECT_EQ(all.Held(), 100u);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(got);
    moved.Release();
    waiter.join();
    EXPECT_TRUE(got);
    EXPECT_EQ(budget.InUse(), 0u);
}

// Loading on several threads must hand the rows on in the order a one-thread scan gives: the
// folder's entries as the file system returns them.
TEST(ParallelLoader, TheScanKeepsTheFolderOrder) {
    test::TempDir dir;
    for (int i = 0; i < 700; ++i) {
        dir.Write("f" + std::to_string(i) + ".nes", samples::MakeNes({.prgBanks = 0, .chrBanks = 1, .seed = static_cast<std::uint32_t>(i)}));
    }
    std::vector<std::string> expected;
    for (const auto& entry : Directory::Open(dir.Path()).Entries()) expected.push_back(entry.name);

    ScanEventQueue queue;
    ScanThread({RomType::Nes, dir.Path(), std::make_shared<ScanSwitches>(), ""}, queue, std::stop_token());
    std::vector<std::string> listed;
    while (true) {
        ScanEvent event = queue.Take();
        if (auto* rows = std::get_if<RowsFound>(&event)) {
            for (const auto& row : rows->rows) listed.push_back(row.cells[kFilenameColumn]);
        }
        if (std::holds_alternative<WalkDone>(event)) break;
    }
    EXPECT_EQ(listed, expected);
}

}  // namespace
}  // namespace parallel_loader_test
}  // namespace vorne
