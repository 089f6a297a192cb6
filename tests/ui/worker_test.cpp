// The worker that runs the window's jobs: what a job posts arrives on the owner's thread in order,
// its ending after it; a stop reaches the running job and those waiting, which still end.
#include "ui/worker.h"

#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ui_test_support.h"

namespace vorne::ui::test {
namespace worker_test {
namespace {

TEST(Worker, PostsArriveInOrderAndAStopReachesEveryJobThatWaits) {
    const struct {
        const char* name;
        bool stop;                      // RequestStop once all three are queued
        std::vector<std::string> seen;  // on the owner's thread, in order
    } cases[] = {
        {"each job's posts, then its ending", false, {"1 run", "1 done", "2 run", "2 done", "3 run", "3 done"}},
        {"stopped jobs still run and end", true, {"1 stop", "1 done", "2 stop", "2 done", "3 stop", "3 done"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Worker worker;
        std::vector<std::string> seen;
        QThread* owner = QThread::currentThread();
        std::atomic<bool> release{false};
        for (const char* id : {"1", "2", "3"}) {
            worker.Start(
                [&, id = std::string(id)](const WorkerJob& job) {
                    while (id == "1" && !release && !job.StopRequested()) std::this_thread::yield();
                    job.Post([&, id, stopped = job.StopRequested()] {
                        EXPECT_EQ(QThread::currentThread(), owner);
                        seen.push_back(id + (stopped ? " stop" : " run"));
                    });
                },
                [&, id = std::string(id)] { seen.push_back(id + " done"); });
        }
        EXPECT_TRUE(worker.Busy());
        if (c.stop) {
            worker.RequestStop();
        } else {
            release = true;
        }
        ASSERT_TRUE(WaitFor([&] { return !worker.Busy(); }));
        EXPECT_EQ(seen, c.seen);
    }
}

TEST(Worker, AStopEndsTheWaitForAnAnswerAndTheQuestionIsNeverPut) {
    Worker worker;
    std::atomic<bool> asking{false};
    std::atomic<bool> put{false};
    std::optional<int> answer = 0;
    worker.Start([&](const WorkerJob& job) {
        asking = true;
        answer = job.Ask([&put] {
            put = true;
            return 42;
        });
    });
    while (!asking) std::this_thread::yield();  // no event is handled: the question waits
    worker.RequestStop();
    ASSERT_TRUE(WaitFor([&] { return !worker.Busy(); }));
    EXPECT_FALSE(answer.has_value());
    EXPECT_FALSE(put);
}

}  // namespace
}  // namespace worker_test
}  // namespace vorne::ui::test
