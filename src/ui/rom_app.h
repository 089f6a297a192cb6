// The application: reads the command line, opens the settings, and runs the main window until it
// closes. Options, for running Vorne apart from the user's own settings:
//   --settings FILE      keep the settings in FILE instead of the user's store
//   --kind KIND          choose KIND (a name as vorne-cli takes it, or 0 to 7) at start
//   --folder DIR         make DIR the folder of the kind chosen at start
//   --known-dumps FILE   the known-dump list (default: nescrcs.txt beside the program)
#pragma once

#include <QApplication>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorne::ui {

// The value of the last `--NAME VALUE` or `--NAME=VALUE` among `arguments` (the program's name
// first, options end at "--"), as bytes; nothing when it is not there.
std::optional<std::string> RawOptionValue(const std::vector<std::string>& arguments, std::string_view name);

class CRomApp final {
public:
    CRomApp(int& argc, char** argv);
    ~CRomApp();
    int Run();

private:
    QApplication application;
    // The arguments as the system gave them: QApplication's own are text, which loses the bytes
    // of a folder name that is not UTF-8.
    std::vector<std::string> rawArguments;
};

}  // namespace vorne::ui
