// The window's "Tags from File Names..." and "Rename from Tags..." for the whole list and for the
// selection: each asks its pattern in CTagPatternDialog (which the settings remember), then runs
// the tool on the tool runner's worker and ends with a new scan, naming the files it left alone.
#pragma once

#include "tools/tool_report.h"
#include "ui/command_host.h"
#include "ui/tag_pattern_dialog.h"

namespace vorne::ui {

class CUserPrompts;
class Settings;
class ToolRunner;

class TagNameCommands final {
public:
    // Registers the commands with `host`; they run their work on `runner`.
    TagNameCommands(CommandHost& host, CUserPrompts& prompts, Settings& settings, ToolRunner& runner);

private:
    void Run(CTagPatternDialog::Mode mode, ToolScope scope);

    CommandHost& host;
    CUserPrompts& prompts;
    Settings& settings;
    ToolRunner& runner;
};

}  // namespace vorne::ui
