// Runs one batch tool at a time on a worker thread, so that the window keeps answering while a
// whole list of files is changed. The catalogue is busy meanwhile (the window greys every command
// but OK). The tool reports through a ToolReport whose calls are carried over to the window's
// thread: status texts and progress at once; questions and messages shown there while the worker
// waits for them to close; rows left alone, and new cell texts, kept for the end. A tool told to
// stop ends before its next file. When the tool is done the catalogue is idle again and the
// caller's ending runs on the window's thread.
#pragma once

#include <QObject>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "catalogue/catalogue.h"
#include "tools/tool_report.h"
#include "ui/worker.h"

class QWidget;

namespace vorne::ui {

class CUserPrompts;

class ToolRunner final : public QObject {
    Q_OBJECT

public:
    // What a tool left behind for its command to show.
    struct Ending {
        std::string error;                   // what ended the command early (a file error), or empty
        std::vector<std::string> leftAlone;  // "file: reason" for each row left alone or not done
        std::unordered_map<std::string, Catalogue::CellTexts> cells;  // new cell texts by file name
        // The tool was stopped after `done` of its `total` files (0 of 0: it told no progress);
        // what it did to them stays.
        bool stopped = false;
        int done = 0;
        int total = 0;
    };
    using Work = std::function<void(ToolReport& report)>;
    using Finish = std::function<void(const Ending& ending)>;

    // A running tool is asked to stop before its next row (a question waiting for an answer is
    // answered No) and waited for when the runner goes.
    ToolRunner(Catalogue& catalogue, CUserPrompts& prompts, QWidget* window);

    // Marks the catalogue busy and runs `work` on the worker; `finish` runs here once it is done
    // and the catalogue is idle again. One tool at a time: the catalogue's busy flag keeps a
    // second command out.
    void Run(Work work, Finish finish);
    bool Running() const { return worker.Busy(); }
    // Tells a running tool to stop before its next file (a question it puts meanwhile is answered
    // No); its ending follows as usual.
    void Stop() { worker.RequestStop(); }

signals:
    // A tool began; `done` of `total` files are done (total 0: not known yet).
    void started();
    void progressed(int done, int total);
    // The last tool's ending has run.
    void toolFinished();

private:
    class Report;
    void End();

    Catalogue& catalogue;
    CUserPrompts& prompts;
    QWidget* window;
    Ending ending;
    Finish finish;
    // Last, so that it goes first: the tool is stopped and waited for while all it reports to
    // is still here.
    Worker worker;
};

}  // namespace vorne::ui
