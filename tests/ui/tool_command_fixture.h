// A main window whose menu commands run tools on the batch runner: running one and waiting for it,
// and for the scan it may start, to end; and the messages it showed.
#pragma once

#include <QAction>
#include <string>
#include <vector>

#include "main_dialog_fixture.h"
#include "ui/batch_commands.h"
#include "ui/main_menu.h"

namespace vorne::ui::test {

class ToolCommandTest : public MainDialogTest {
protected:
    // Runs a menu command and waits for its tool, and the scan it may start, to end.
    void Trigger(Command command) {
        const int before = finished;
        window->Action(command)->trigger();
        ASSERT_TRUE(WaitFor([&] { return finished > before && window->Idle(); }));
    }
    void Watch() {
        QObject::connect(&window->Batch().Runner(), &ToolRunner::toolFinished, [this] { ++finished; });
        QObject::connect(window.get(), &CMainDialog::scanFinished, [this] { ++scans; });
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> shown;
        for (const auto& m : prompts.messages) shown.push_back((m.title + ": " + m.text).toStdString());
        return shown;
    }

    int finished = 0;
    int scans = 0;
};

}  // namespace vorne::ui::test
