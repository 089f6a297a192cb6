#include "catalogue/parallel_loader.h"

#include <gtest/gtest.h>

#include <atomic>

#include "catalogue/scan.h"
#include "catalogue/scan_queue.h"
#include "images.h"
#include "platform/directory.h"
#include "support/temp_dir.h"

namespace vorne {
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
            for (const auto& row : rows->rows) listed.push_back(row.cells[1]);
        }
        if (std::holds_alternative<WalkDone>(event)) break;
    }
    EXPECT_EQ(listed, expected);
}

}  // namespace
}  // namespace vorne
