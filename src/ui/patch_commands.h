// The window's patch commands in "&Miscellaneous": applying a patch (IPS as the IPS patcher always
// did, and BPS, UPS and IPS32 told by their headers, with the checks their CRC-32s allow) and
// making one (BPS or IPS, by the name it is saved as). Each asks for its files on the window's
// thread and does its file work on the tool runner's worker; neither changes the list.
#pragma once

#include "ui/command_host.h"

namespace vorne::ui {

class CUserPrompts;
class ToolRunner;

class PatchCommands final {
public:
    // Registers the commands with `host`; they run their work on `runner`.
    PatchCommands(CommandHost& host, CUserPrompts& prompts, ToolRunner& runner);

private:
    void OnApplyPatch();
    void OnCreatePatch();

    CommandHost& host;
    CUserPrompts& prompts;
    ToolRunner& runner;
};

}  // namespace vorne::ui
