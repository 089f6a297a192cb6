// The worker that runs a batch tool: what it carries to the window's thread, in which order, and
// that it never holds the window up when it goes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "catalogue/catalogue.h"
#include "platform/file_error.h"
#include "ui/tool_runner.h"
#include "ui_test_support.h"

namespace vorne::ui::test {
namespace tool_runner_test {
namespace {

TEST(ToolRunner, CarriesTheReportOverAndEndsIdle) {
    Catalogue catalogue;
    FakePrompts prompts;
    prompts.yes = true;
    ToolRunner runner(catalogue, prompts, nullptr);
    std::atomic<bool> answered{false};
    bool ended = false;
    ToolRunner::Ending ending;
    runner.Run(
        [&](ToolReport& report) {
            report.Status(kStatusEntries, "Working...");
            answered = report.Ask("Bad Size", "Go on?");
            report.Skipped("a.nes", "left as it is");
            report.CellsChanged("b.nes", {{FieldNumber(NesField::Reserved), ""}});
            report.Message("Summary", "2 done.");
            report.Failed("c.nes", "No such file or directory");
            throw FileError("d.nes", "Permission denied");
        },
        [&](const ToolRunner::Ending& e) {
            ended = true;
            ending = e;
        });
    EXPECT_FALSE(catalogue.Idle());
    ASSERT_TRUE(WaitFor([&] { return ended; }));
    EXPECT_TRUE(catalogue.Idle());
    EXPECT_FALSE(runner.Running());
    EXPECT_TRUE(answered);
    EXPECT_EQ(catalogue.Status(kStatusEntries), "Working...");
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0].title, QStringLiteral("Bad Size"));
    EXPECT_EQ(prompts.messages[1].text, QStringLiteral("2 done."));
    EXPECT_EQ(ending.error, "d.nes: Permission denied");
    EXPECT_EQ(ending.leftAlone, (std::vector<std::string>{"a.nes: left as it is", "c.nes: No such file or directory"}));
    ASSERT_EQ(ending.cells.count("b.nes"), 1u);
}

// A window that closes while its tool waits for an answer: the question is answered No, the tool
// stops before its next row, and nothing waits for an event loop that no longer runs.
TEST(ToolRunner, GoingAwayAnswersAWaitingQuestionNo) {
    Catalogue catalogue;
    FakePrompts prompts;
    prompts.yes = true;
    std::atomic<int> answer{-1};
    std::atomic<bool> stopSeen{false};
    std::atomic<bool> asking{false};
    const auto started = std::chrono::steady_clock::now();
    {
        ToolRunner runner(catalogue, prompts, nullptr);
        runner.Run(
            [&](ToolReport& report) {
                asking = true;
                answer = report.Ask("Bad Size", "Go on?") ? 1 : 0;
                stopSeen = report.StopRequested();
            },
            [](const ToolRunner::Ending&) { ADD_FAILURE() << "no ending once the runner is gone"; });
        while (!asking) std::this_thread::yield();
        // No event is handled here: the question never reaches the user.
    }
    EXPECT_EQ(answer, 0);
    EXPECT_TRUE(stopSeen);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    WaitFor([] { return false; }, 50);  // anything still queued for the runner is dropped
}

}  // namespace
}  // namespace tool_runner_test
}  // namespace vorne::ui::test
