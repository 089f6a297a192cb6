#include "ui/command_support.h"

#include "catalogue/catalogue.h"
#include "ui/byte_text.h"
#include "ui/user_prompts.h"

namespace vorne::ui {

std::vector<CatalogRow> CommandRows(CommandHost& host, ToolScope scope) {
    const CatalogModel& model = host.GetCatalogue().Model();
    // The whole list is what the user sees of it: a filter leaves rows out.
    std::vector<CatalogRow> rows;
    for (int r : scope == ToolScope::WholeList ? host.ShownRows() : host.SelectedRows()) rows.push_back(model.Row(r));
    return rows;
}

void EndWithScan(CommandHost& host, CUserPrompts& prompts, const ToolRunner::Ending& ending, const QString& title) {
    if (!ending.leftAlone.empty()) {
        QString text = QStringLiteral("These files were left as they are:");
        for (const std::string& line : ending.leftAlone) text += QLatin1Char('\n') + FromBytes(line);
        prompts.Message(host.Window(), title, text, PromptIcon::Warning);
    }
    if (!ending.error.empty() || ending.stopped) {
        // The command ended early: no scan, and the rows it changed keep the texts it gave them.
        host.GetCatalogue().SetCells(ending.cells);
        QString text = FromBytes(ending.error);
        if (ending.error.empty()) {
            text = ending.total > 0 ? QStringLiteral("Stopped after %1 of %2 files.").arg(ending.done).arg(ending.total)
                                    : QStringLiteral("Stopped.");
        }
        prompts.Message(host.Window(), title, text, PromptIcon::Warning);
        return;
    }
    host.StartScan();
}

}  // namespace vorne::ui
