// The window's commands that change the selected ROM images themselves: "Fix Checksums" (in
// place) and "Convert N64 Byte Order" (copies beside the originals). Each runs on the tool
// runner's worker and ends with a new scan, naming the files it left alone.
#pragma once

#include "ui/command_host.h"

namespace vorne::ui {

class CUserPrompts;
class ToolRunner;

class ImageCommands final {
public:
    // Registers the commands with `host`; they run their work on `runner`.
    ImageCommands(CommandHost& host, CUserPrompts& prompts, ToolRunner& runner);

private:
    void OnFixChecksums();
    void OnConvertN64ByteOrder();

    CommandHost& host;
    CUserPrompts& prompts;
    ToolRunner& runner;
};

}  // namespace vorne::ui
