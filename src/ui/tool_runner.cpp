#include "ui/tool_runner.h"

#include <QMetaObject>
#include <QString>
#include <chrono>
#include <future>
#include <memory>

#include "ui/byte_text.h"
#include "ui/user_prompts.h"

namespace vorne::ui {

// The tool's side: every call is carried over to the runner's thread. Its texts hold file names.
class ToolRunner::Report final : public ToolReport {
public:
    explicit Report(ToolRunner& runner) : runner(runner) {}

    void Status(int part, std::string text) override {
        runner.Post([&catalogue = runner.catalogue, part, text = std::move(text)]() mutable {
            catalogue.ShowStatus(part, std::move(text));
        });
    }
    bool Ask(std::string_view title, std::string_view text) override {
        return runner.CallAndWait([&r = runner, title = FromBytes(title), text = FromBytes(text)] {
            return r.prompts.Question(r.window, title, text);
        });
    }
    void Message(std::string_view title, std::string_view text) override {
        runner.CallAndWait([&r = runner, title = FromBytes(title), text = FromBytes(text)] {
            r.prompts.Message(r.window, title, text, PromptIcon::Information);
            return true;
        });
    }
    void Skipped(std::string_view path, std::string_view reason) override { LeftAlone(path, reason); }
    void Failed(std::string_view path, std::string_view message) override { LeftAlone(path, message); }
    void CellsChanged(std::string_view path, std::vector<std::pair<int, std::string>> cells) override {
        runner.Post([&ending = runner.ending, path = std::string(path), cells = std::move(cells)]() mutable {
            ending.cells[path] = std::move(cells);
        });
    }
    bool StopRequested() const override { return runner.stopping; }

private:
    void LeftAlone(std::string_view path, std::string_view why) {
        runner.Post([&ending = runner.ending, line = std::string(path) + ": " + std::string(why)]() mutable {
            ending.leftAlone.push_back(std::move(line));
        });
    }

    ToolRunner& runner;
};

ToolRunner::ToolRunner(Catalogue& catalogue, CUserPrompts& prompts, QWidget* window)
    : catalogue(catalogue), prompts(prompts), window(window) {}

ToolRunner::~ToolRunner() {
    stopping = true;
    if (worker.joinable()) worker.join();
}

void ToolRunner::Run(Work work, Finish then) {
    if (worker.joinable()) return;  // one tool at a time
    ending = Ending();
    finish = std::move(then);
    stopping = false;
    catalogue.SetIdle(false);
    worker = std::thread([this, work = std::move(work)] {
        Report report(*this);
        std::string error;
        try {
            work(report);
        } catch (const std::exception& e) {
            error = e.what();
        }
        Post([this, error = std::move(error)]() mutable { End(std::move(error)); });
    });
}

void ToolRunner::Post(std::function<void()> call) {
    // Dropped when the runner is gone by the time the window's thread gets to it.
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

bool ToolRunner::CallAndWait(std::function<bool()> call) {
    auto result = std::make_shared<std::promise<bool>>();
    std::future<bool> answer = result->get_future();
    Post([this, result, call = std::move(call)] { result->set_value(!stopping && call()); });
    while (answer.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
        if (stopping) return false;
    }
    return answer.get();
}

void ToolRunner::End(std::string error) {
    worker.join();
    ending.error = std::move(error);
    catalogue.SetIdle(true);
    Finish then = std::move(finish);
    if (then) then(ending);
    emit toolFinished();
}

}  // namespace vorne::ui
