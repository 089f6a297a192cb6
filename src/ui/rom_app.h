// The application: reads the command line, opens the settings, and runs the main window until it
// closes. Options, for running Vorne apart from the user's own settings:
//   --settings FILE      keep the settings in FILE instead of the user's store
//   --kind KIND          choose KIND (a name as vorne-cli takes it, or 0 to 7) at start
//   --folder DIR         make DIR the folder of the kind chosen at start
//   --known-dumps FILE   the known-dump list (default: nescrcs.txt beside the program)
#pragma once

#include <QApplication>
#include <memory>

namespace vorne::ui {

class CRomApp final {
public:
    CRomApp(int& argc, char** argv);
    ~CRomApp();
    int Run();

private:
    QApplication application;
};

}  // namespace vorne::ui
