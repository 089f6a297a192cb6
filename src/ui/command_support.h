// What the window's file commands share, whichever class holds them: the rows a command takes,
// and the end of a tool that changed files.
#pragma once

#include <QString>
#include <vector>

#include "catalogue/catalog_model.h"
#include "tools/tool_report.h"
#include "ui/command_host.h"
#include "ui/tool_runner.h"

namespace vorne::ui {

class CUserPrompts;

// The rows a command takes (the rows the list shows, which a filter may narrow, or the selected
// ones), as they stand when it starts.
std::vector<CatalogRow> CommandRows(CommandHost& host, ToolScope scope);

// The end of every tool that changes files: the rows it left alone are named under `title`; a file
// error, or the user stopping the tool, is said and the list keeps the texts the tool gave it;
// otherwise a new scan follows.
void EndWithScan(CommandHost& host, CUserPrompts& prompts, const ToolRunner::Ending& ending, const QString& title);

}  // namespace vorne::ui
