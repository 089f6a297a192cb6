#include "ui/dat_commands.h"

#include <numeric>

#include "catalogue/catalogue.h"
#include "catalogue/dat_rename.h"
#include "ui/byte_text.h"
#include "ui/command_support.h"
#include "ui/missing_dat_dialog.h"
#include "ui/user_prompts.h"

namespace vorne::ui {

namespace {

const QString kMissingTitle = QStringLiteral("Missing from DAT");
const QString kRenameTitle = QStringLiteral("Rename to DAT Names");

}  // namespace

DatCommands::DatCommands(CommandHost& host, CUserPrompts& prompts, ToolRunner& runner)
    : host(host), prompts(prompts), runner(runner) {
    host.RegisterCommand(Command::MissingFromDat, [this] { OnMissingFromDat(); });
    host.RegisterCommand(Command::RenameToDatNames, [this] { OnRename(ToolScope::WholeList); });
    host.RegisterCommand(Command::RenameSelectionToDatNames, [this] { OnRename(ToolScope::Selection); });
}

std::shared_ptr<const DatSet> DatCommands::DatOrSay(const QString& title) {
    std::shared_ptr<const DatSet> dat = host.GetCatalogue().SharedDat();
    if (!dat) {
        prompts.Message(host.Window(), title,
                        QStringLiteral("The list was not checked against a DAT file. Choose the DAT file of this kind in "
                                       "Options (DAT File)."),
                        PromptIcon::Information);
    }
    return dat;
}

void DatCommands::OnMissingFromDat() {
    std::shared_ptr<const DatSet> dat = DatOrSay(kMissingTitle);
    if (!dat) return;
    const CatalogModel& model = host.GetCatalogue().Model();
    std::vector<std::uint32_t> matched;
    for (int r = 0; r < model.RowCount(); ++r) {
        if (model.Row(r).dat.verdict == DatVerdict::Match) matched.push_back(model.Row(r).dat.rom);
    }
    CMissingDatDialog dialog(dat, MissingGames(dat->file, matched), prompts, host.Window());
    prompts.RunModal(dialog);
}

void DatCommands::OnRename(ToolScope scope) {
    std::shared_ptr<const DatSet> dat = DatOrSay(kRenameTitle);
    if (!dat) return;
    // The rows as they stand when the command starts; the worker reads only its own copy.
    const Catalogue& catalogue = host.GetCatalogue();
    CatalogModel rows;
    rows.Reset(catalogue.Columns());
    for (CatalogRow& row : CommandRows(host, scope)) rows.InsertRow(rows.RowCount(), std::move(row));
    runner.Run(
        [folder = catalogue.Folder(), rows = std::move(rows), dat](ToolReport& report) {
            std::vector<int> all(static_cast<std::size_t>(rows.RowCount()));
            std::iota(all.begin(), all.end(), 0);
            const DatRenameResult result = RenameToDatNames(folder, rows, *dat, all, /*dryRun=*/false);
            for (const auto& left : result.leftAlone) {
                if (left.failed) {
                    report.Failed(left.path, "cannot be renamed: " + left.reason);
                } else {
                    report.Skipped(left.path, left.reason);
                }
            }
        },
        [this](const ToolRunner::Ending& ending) {
            // Whatever happened, some files may have new names: the list is scanned again.
            QString text;
            if (!ending.leftAlone.empty()) text = QStringLiteral("These files were left as they are:");
            for (const std::string& line : ending.leftAlone) text += QLatin1Char('\n') + FromBytes(line);
            if (!ending.error.empty()) text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + FromBytes(ending.error);
            if (!text.isEmpty()) prompts.Message(host.Window(), kRenameTitle, text, PromptIcon::Warning);
            host.StartScan();
        });
}

}  // namespace vorne::ui
