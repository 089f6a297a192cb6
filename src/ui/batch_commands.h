// The window's batch commands: the items of "&Whole List" and "&Selection" that lead to the tools
// (the MP3 mass tag edit asks its values in the MP3 dialog without a file). The patches, the
// checksums and byte orders, and the tags from names have classes of their own, which share this
// one's runner. Each takes its rows when it starts (the rows the list shows, which a filter may
// narrow, or the selected ones), runs the tool on a worker while the window is busy, shows what
// the tool has to say, and ends with a new scan of the folder (the list files leave the list as
// it is). A file error, or the user stopping the tool, ends a command with its message and no
// scan; the busy flag is released in any case.
#pragma once

#include <QObject>
#include <string>
#include <vector>

#include "catalogue/catalog_model.h"
#include "tools/tool_report.h"
#include "ui/command_host.h"
#include "ui/tool_runner.h"

namespace vorne::ui {

class CUserPrompts;

class BatchCommands final : public QObject {
    Q_OBJECT

public:
    // Registers the commands with `host`.
    BatchCommands(CommandHost& host, CUserPrompts& prompts);

    ToolRunner& Runner() { return runner; }

private:
    void OnSaveList();
    void OnCompareLists();
    void OnCleanHeaders(ToolScope scope);
    void OnRemoveTrainers(ToolScope scope);
    void OnConvert(std::string extension);
    void OnApplyIpsPatch();
    void OnMassTagEdit(ToolScope scope);

    // The rows a command takes, as they stand when it starts.
    std::vector<CatalogRow> Rows(ToolScope scope) const;
    // What every tool that changes files does at its end: the rows it left alone are named; a file
    // error, or the tool's stop ("Stopped after N of M files."), is shown and the list keeps the
    // texts the tool gave it; otherwise a new scan follows.
    void EndWithScan(const ToolRunner::Ending& ending, const QString& title);

    CommandHost& host;
    CUserPrompts& prompts;
    ToolRunner runner;
};

}  // namespace vorne::ui
