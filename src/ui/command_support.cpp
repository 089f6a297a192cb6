#include "ui/command_support.h"

#include "catalogue/catalogue.h"
#include "ui/byte_text.h"
#include "ui/user_prompts.h"

namespace vorne::ui {

std::vector<CatalogRow> CommandRows(CommandHost& host, ToolScope scope) {
    const CatalogModel& model = host.GetCatalogue().Model();
    std::vector<CatalogRow> rows;
    if (scope == ToolScope::WholeList) {
        for (int r = 0; r < model.RowCount(); ++r) rows.push_back(model.Row(r));
    } else {
        for (int r : host.SelectedRows()) rows.push_back(model.Row(r));
    }
    return rows;
}

void EndWithScan(CommandHost& host, CUserPrompts& prompts, const ToolRunner::Ending& ending, const QString& title) {
    if (!ending.leftAlone.empty()) {
        QString text = QStringLiteral("These files were left as they are:");
        for (const std::string& line : ending.leftAlone) text += QLatin1Char('\n') + FromBytes(line);
        prompts.Message(host.Window(), title, text, PromptIcon::Warning);
    }
    if (!ending.error.empty()) {
        // The command ended early: no scan, and the rows it changed keep the texts it gave them.
        host.GetCatalogue().SetCells(ending.cells);
        prompts.Message(host.Window(), title, FromBytes(ending.error), PromptIcon::Warning);
        return;
    }
    host.StartScan();
}

}  // namespace vorne::ui
