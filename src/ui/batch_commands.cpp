#include "ui/batch_commands.h"

#include <QHeaderView>
#include <cmath>
#include <memory>

#include "catalogue/catalogue.h"
#include "platform/file_error.h"
#include "tools/genesis_conversion.h"
#include "tools/ips_patch.h"
#include "tools/list_file.h"
#include "tools/mass_tag_edit.h"
#include "tools/nes_header_cleaner.h"
#include "tools/trainer_remover.h"
#include "ui/byte_text.h"
#include "ui/compare_lists_dialog.h"
#include "ui/main_dialog.h"
#include "ui/main_menu.h"
#include "ui/mp3_edit_dialog.h"
#include "ui/sort_list_ctrl.h"
#include "ui/user_prompts.h"

namespace vorne::ui {

namespace {

const QString kAllFiles = QStringLiteral("All files (*)");
const QString kAppTitle = QStringLiteral("Vorne");

}  // namespace

BatchCommands::BatchCommands(CMainDialog& window, CUserPrompts& prompts)
    : window(window), prompts(prompts), runner(window.GetCatalogue(), prompts, &window) {
    window.RegisterCommand(kCommandSaveList, [this] { OnSaveList(); });
    window.RegisterCommand(kCommandCompareLists, [this] { OnCompareLists(); });
    window.RegisterCommand(kCommandCleanNesHeaders, [this] { OnCleanHeaders(ToolScope::WholeList); });
    window.RegisterCommand(kCommandRemoveNesTrainers, [this] { OnRemoveTrainers(ToolScope::WholeList); });
    window.RegisterCommand(kCommandHeaderCleaner, [this] { OnCleanHeaders(ToolScope::Selection); });
    window.RegisterCommand(kCommandTrainerRemover, [this] { OnRemoveTrainers(ToolScope::Selection); });
    window.RegisterCommand(kCommandSmdToBin, [this] { OnConvert("smd"); });
    window.RegisterCommand(kCommandBinToSmd, [this] { OnConvert("bin"); });
    window.RegisterCommand(kCommand32XToBin, [this] { OnConvert("32x"); });
    window.RegisterCommand(kCommandBinTo32X, [this] { OnConvert("bin"); });  // the same as Bin->Smd
    window.RegisterCommand(kCommandApplyIpsPatch, [this] { OnApplyIpsPatch(); });
    window.RegisterCommand(kCommandMassEditMp3Tags, [this] { OnMassTagEdit(ToolScope::WholeList); });
    window.RegisterCommand(kCommandMassTagEdit, [this] { OnMassTagEdit(ToolScope::Selection); });
}

std::vector<CatalogRow> BatchCommands::Rows(ToolScope scope) const {
    const CatalogModel& model = window.GetCatalogue().Model();
    std::vector<CatalogRow> rows;
    if (scope == ToolScope::WholeList) {
        for (int r = 0; r < model.RowCount(); ++r) rows.push_back(model.Row(r));
    } else {
        for (int r : window.List()->SelectedRows()) rows.push_back(model.Row(r));
    }
    return rows;
}

void BatchCommands::EndWithScan(const ToolRunner::Ending& ending, const QString& title) {
    if (!ending.leftAlone.empty()) {
        QString text = QStringLiteral("These files were left as they are:");
        for (const std::string& line : ending.leftAlone) text += QLatin1Char('\n') + FromBytes(line);
        prompts.Message(&window, title, text, PromptIcon::Warning);
    }
    if (!ending.error.empty()) {
        // The command ended early: no scan, and the rows it changed keep the texts it gave them.
        window.GetCatalogue().SetCells(ending.cells);
        prompts.Message(&window, title, FromBytes(ending.error), PromptIcon::Warning);
        return;
    }
    window.StartScan();
}

void BatchCommands::OnSaveList() {
    std::optional<QString> chosen = prompts.SaveFile(&window, QStringLiteral("Save List"), kAllFiles, QStringLiteral("txt"));
    if (!chosen) return;
    try {
        SaveListFile(ToBytes(*chosen), window.GetCatalogue().Model(), NominalColumnWidths(window));
    } catch (const FileError& e) {
        // A list that was not saved is said so; the old file, if any, is as it was.
        prompts.Message(&window, QStringLiteral("Save List"), FromBytes(e.what()), PromptIcon::Warning);
    }
}

void BatchCommands::OnCompareLists() {
    CCompareListsDialog dialog(prompts, &window);
    prompts.RunModal(dialog);
}

void BatchCommands::OnCleanHeaders(ToolScope scope) {
    runner.Run([folder = window.GetCatalogue().Folder(), rows = Rows(scope), scope](ToolReport& report) {
        CleanNesHeaders(folder, rows, scope, report);
    }, [this](const ToolRunner::Ending& ending) { EndWithScan(ending, QStringLiteral("Header Cleaner")); });
}

void BatchCommands::OnRemoveTrainers(ToolScope scope) {
    runner.Run([folder = window.GetCatalogue().Folder(), rows = Rows(scope), scope](ToolReport& report) {
        RemoveNesTrainers(folder, rows, scope, report);
    }, [this](const ToolRunner::Ending& ending) { EndWithScan(ending, QStringLiteral("Trainer Remover")); });
}

void BatchCommands::OnConvert(std::string extension) {
    const Catalogue& catalogue = window.GetCatalogue();
    runner.Run([folder = catalogue.Folder(), rows = Rows(ToolScope::Selection), extension, count = catalogue.EntryCount()](
                   ToolReport& report) { ConvertGenesisFiles(folder, rows, extension, count, report); },
               [this](const ToolRunner::Ending& ending) { EndWithScan(ending, QStringLiteral("Convert")); });
}

void BatchCommands::OnApplyIpsPatch() {
    prompts.Message(&window, kAppTitle, QStringLiteral("Select file to be patched."), PromptIcon::Information);
    std::optional<QString> target = prompts.OpenFile(&window, QStringLiteral("Select file to be patched"), kAllFiles);
    if (!target) return;
    prompts.Message(&window, kAppTitle, QStringLiteral("Select patch file."), PromptIcon::Information);
    std::optional<QString> patch =
        prompts.OpenFile(&window, QStringLiteral("Select patch file"), QStringLiteral("IPS Patches (*.ips)"));
    if (!patch) return;
    prompts.Message(&window, kAppTitle, QStringLiteral("Select file to save as (or cancel to not save as a different name)."),
                    PromptIcon::Information);
    std::optional<QString> saveAs = prompts.SaveFile(&window, QStringLiteral("Save As"), kAllFiles, QString());

    // A large file takes a while to copy; the list stays as it is.
    auto result = std::make_shared<IpsResult>();
    runner.Run([result, target = ToBytes(*target), patch = ToBytes(*patch), saveAs = saveAs ? ToBytes(*saveAs) : std::string()](
                   ToolReport&) { *result = ApplyIpsPatch(target, patch, saveAs); },
               [this, result](const ToolRunner::Ending& ending) {
                   if (!ending.error.empty()) {
                       prompts.Message(&window, QStringLiteral("IPS Error"), FromBytes(ending.error), PromptIcon::Warning);
                       return;
                   }
                   const IpsMessage message = MessageFor(*result);
                   const bool applied = result->outcome == IpsOutcome::Applied;
                   prompts.Message(&window, message.title.empty() ? kAppTitle : QString::fromLatin1(message.title),
                                   FromBytes(message.text), applied ? PromptIcon::Information : PromptIcon::Warning);
               });
}

void BatchCommands::OnMassTagEdit(ToolScope scope) {
    // The values are asked once, in the MP3 dialog without a file.
    std::vector<CatalogRow> rows = Rows(scope);
    CMp3EditDialog dialog(static_cast<int>(rows.size()), prompts, &window);
    const int result = prompts.RunModal(dialog);
    if (result != QDialog::Accepted && result != CMp3EditDialog::DeleteTagsResult) return;
    const auto then = [this](const ToolRunner::Ending& ending) { EndWithScan(ending, QStringLiteral("Mass Tag Edit")); };
    const std::string& folder = window.GetCatalogue().Folder();
    if (result == CMp3EditDialog::DeleteTagsResult) {
        // "&Delete Tag" deletes the tags of the files the command takes, the selected ones too.
        runner.Run([folder, rows = std::move(rows)](ToolReport& report) { MassDeleteTags(folder, rows, report); }, then);
        return;
    }
    MassTagValues values;
    for (const FieldBox& box : CMp3EditDialog::kBoxes) {
        values[static_cast<Mp3Field>(box.field)] = dialog.FieldText(box.field);
    }
    runner.Run([folder, rows = std::move(rows), values](ToolReport& report) { MassEditTags(folder, rows, values, report); },
               then);
}

std::vector<int> NominalColumnWidths(const CMainDialog& window) {
    const CSortListCtrl* list = window.List();
    const double scale = ColumnWidthScale(list->fontMetrics());
    std::vector<int> widths;
    for (int c = 0; c < list->horizontalHeader()->count(); ++c) {
        widths.push_back(list->isColumnHidden(c) ? 0 : static_cast<int>(std::lround(list->columnWidth(c) / scale)));
    }
    return widths;
}

}  // namespace vorne::ui
