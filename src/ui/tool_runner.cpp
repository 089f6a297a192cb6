#include "ui/tool_runner.h"

#include <QMetaObject>
#include <QString>

#include "ui/byte_text.h"
#include "ui/user_prompts.h"

namespace vorne::ui {

// The tool's side: every call is carried over to the runner's thread. Its texts hold file names.
class ToolRunner::Report final : public ToolReport {
public:
    Report(ToolRunner& runner, const WorkerJob& job) : runner(runner), job(job) {}

    void Status(int part, std::string text) override {
        job.Post([&catalogue = runner.catalogue, part, text = std::move(text)]() mutable {
            catalogue.ShowStatus(part, std::move(text));
        });
    }
    bool Ask(std::string_view title, std::string_view text) override {
        // A runner that goes meanwhile answers No.
        return job.Ask([&r = runner, title = FromBytes(title), text = FromBytes(text)] {
                      return r.prompts.Question(r.window, title, text);
                  }).value_or(false);
    }
    void Message(std::string_view title, std::string_view text) override {
        job.Ask([&r = runner, title = FromBytes(title), text = FromBytes(text)] {
            r.prompts.Message(r.window, title, text, PromptIcon::Information);
            return true;
        });
    }
    void Skipped(std::string_view path, std::string_view reason) override { LeftAlone(path, reason); }
    void Failed(std::string_view path, std::string_view message) override { LeftAlone(path, message); }
    void CellsChanged(std::string_view path, std::vector<std::pair<int, std::string>> cells) override {
        job.Post([&ending = runner.ending, path = std::string(path), cells = std::move(cells)]() mutable {
            ending.cells[path] = std::move(cells);
        });
    }
    void Progress(int done, int total) override {
        last = {done, total};
        job.Post([&r = runner, done, total] { emit r.progressed(done, total); });
    }
    bool StopRequested() const override { return job.StopRequested(); }

    // Whether the tool ended before all its files because it was told to stop, and how far it got
    // (a tool that tells no progress is taken at its word that it stopped).
    void TellEnd(std::string error) {
        const bool stopped = job.StopRequested() && (last.total == 0 || last.done < last.total);
        job.Post([&ending = runner.ending, error = std::move(error), stopped, last = last]() mutable {
            ending.error = std::move(error);
            ending.stopped = stopped;
            ending.done = last.done;
            ending.total = last.total;
        });
    }

private:
    void LeftAlone(std::string_view path, std::string_view why) {
        job.Post([&ending = runner.ending, line = std::string(path) + ": " + std::string(why)]() mutable {
            ending.leftAlone.push_back(std::move(line));
        });
    }

    ToolRunner& runner;
    const WorkerJob& job;
    struct Count {
        int done = 0;
        int total = 0;
    };
    Count last;  // the progress said last
};

ToolRunner::ToolRunner(Catalogue& catalogue, CUserPrompts& prompts, QWidget* window)
    : catalogue(catalogue), prompts(prompts), window(window) {}

void ToolRunner::Run(Work work, Finish then) {
    if (worker.Busy()) return;  // one tool at a time
    ending = Ending();
    finish = std::move(then);
    catalogue.SetIdle(false);
    worker.Start(
        [this, work = std::move(work)](const WorkerJob& job) {
            Report report(*this, job);
            std::string error;
            try {
                work(report);
            } catch (const std::exception& e) {
                error = e.what();
            }
            report.TellEnd(std::move(error));
        },
        [this] { End(); });
    emit started();
}

void ToolRunner::End() {
    catalogue.SetIdle(true);
    Finish then = std::move(finish);
    if (then) then(ending);
    emit toolFinished();
}

}  // namespace vorne::ui
