// The window's DAT commands: "Missing from DAT..." in "&Whole List", and "Rename to DAT Names" in
// "&Whole List" and "&Selection". Both work on what the last scan found against the kind's DAT;
// without one they say where to choose it. The renames run on a worker while the window is busy,
// name what they left alone, and end with a new scan.
#pragma once

#include <QObject>
#include <memory>

#include "catalogue/catalog_model.h"
#include "dat/dat_set.h"
#include "tools/tool_report.h"
#include "ui/command_host.h"
#include "ui/tool_runner.h"

namespace vorne::ui {

class CUserPrompts;

class DatCommands final : public QObject {
    Q_OBJECT

public:
    // Registers the commands with `host`; the renames run on `runner`.
    DatCommands(CommandHost& host, CUserPrompts& prompts, ToolRunner& runner);

private:
    void OnMissingFromDat();
    void OnRename(ToolScope scope);
    // The list's DAT, or null after saying that none is chosen.
    std::shared_ptr<const DatSet> DatOrSay(const QString& title);

    CommandHost& host;
    CUserPrompts& prompts;
    ToolRunner& runner;
};

}  // namespace vorne::ui
