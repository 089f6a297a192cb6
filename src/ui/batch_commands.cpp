#include "ui/batch_commands.h"

#include "catalogue/catalogue.h"
#include "platform/file_error.h"
#include "tools/genesis_conversion.h"
#include "tools/list_file.h"
#include "tools/mass_tag_edit.h"
#include "tools/nes_header_cleaner.h"
#include "tools/trainer_remover.h"
#include "ui/byte_text.h"
#include "ui/command_support.h"
#include "ui/compare_lists_dialog.h"
#include "ui/mp3_edit_dialog.h"
#include "ui/user_prompts.h"

namespace vorne::ui {

namespace {

const QString kAllFiles = QStringLiteral("All files (*)");

}  // namespace

BatchCommands::BatchCommands(CommandHost& host, CUserPrompts& prompts)
    : host(host), prompts(prompts), runner(host.GetCatalogue(), prompts, host.Window()) {
    host.RegisterCommand(Command::SaveList, [this] { OnSaveList(); });
    host.RegisterCommand(Command::CompareLists, [this] { OnCompareLists(); });
    host.RegisterCommand(Command::CleanNesHeaders, [this] { OnCleanHeaders(ToolScope::WholeList); });
    host.RegisterCommand(Command::RemoveNesTrainers, [this] { OnRemoveTrainers(ToolScope::WholeList); });
    host.RegisterCommand(Command::HeaderCleaner, [this] { OnCleanHeaders(ToolScope::Selection); });
    host.RegisterCommand(Command::TrainerRemover, [this] { OnRemoveTrainers(ToolScope::Selection); });
    host.RegisterCommand(Command::SmdToBin, [this] { OnConvert("smd"); });
    host.RegisterCommand(Command::BinToSmd, [this] { OnConvert("bin"); });
    host.RegisterCommand(Command::Convert32XToBin, [this] { OnConvert("32x"); });
    host.RegisterCommand(Command::ConvertBinTo32X, [this] { OnConvert("bin"); });  // the same as Bin->Smd
    host.RegisterCommand(Command::MassEditMp3Tags, [this] { OnMassTagEdit(ToolScope::WholeList); });
    host.RegisterCommand(Command::MassTagEdit, [this] { OnMassTagEdit(ToolScope::Selection); });
}

std::vector<CatalogRow> BatchCommands::Rows(ToolScope scope) const { return CommandRows(host, scope); }

void BatchCommands::EndWithScan(const ToolRunner::Ending& ending, const QString& title) {
    ui::EndWithScan(host, prompts, ending, title);
}

void BatchCommands::OnSaveList() {
    std::optional<QString> chosen = prompts.SaveFile(host.Window(), QStringLiteral("Save List"), kAllFiles, QStringLiteral("txt"));
    if (!chosen) return;
    try {
        SaveListFile(ToBytes(*chosen), host.GetCatalogue().Model(), host.ShownRows(), host.NominalColumnWidths());
    } catch (const FileError& e) {
        // A list that was not saved is said so; the old file, if any, is as it was.
        prompts.Message(host.Window(), QStringLiteral("Save List"), FromBytes(e.what()), PromptIcon::Warning);
    }
}

void BatchCommands::OnCompareLists() {
    CCompareListsDialog dialog(prompts, host.Window());
    prompts.RunModal(dialog);
}

void BatchCommands::OnCleanHeaders(ToolScope scope) {
    runner.Run([folder = host.GetCatalogue().Folder(), rows = Rows(scope), scope](ToolReport& report) {
        CleanNesHeaders(folder, rows, scope, report);
    }, [this](const ToolRunner::Ending& ending) { EndWithScan(ending, QStringLiteral("Header Cleaner")); });
}

void BatchCommands::OnRemoveTrainers(ToolScope scope) {
    runner.Run([folder = host.GetCatalogue().Folder(), rows = Rows(scope), scope](ToolReport& report) {
        RemoveNesTrainers(folder, rows, scope, report);
    }, [this](const ToolRunner::Ending& ending) { EndWithScan(ending, QStringLiteral("Trainer Remover")); });
}

void BatchCommands::OnConvert(std::string extension) {
    const Catalogue& catalogue = host.GetCatalogue();
    runner.Run([folder = catalogue.Folder(), rows = Rows(ToolScope::Selection), extension, count = catalogue.EntryCount()](
                   ToolReport& report) { ConvertGenesisFiles(folder, rows, extension, count, report); },
               [this](const ToolRunner::Ending& ending) { EndWithScan(ending, QStringLiteral("Convert")); });
}

void BatchCommands::OnMassTagEdit(ToolScope scope) {
    // The values are asked once, in the MP3 dialog without a file.
    std::vector<CatalogRow> rows = Rows(scope);
    CMp3EditDialog dialog(static_cast<int>(rows.size()), prompts, host.Window());
    const int result = prompts.RunModal(dialog);
    if (result != QDialog::Accepted && result != CMp3EditDialog::DeleteTagsResult &&
        result != CMp3EditDialog::DeleteId3v2TagsResult) {
        return;
    }
    const auto then = [this](const ToolRunner::Ending& ending) { EndWithScan(ending, QStringLiteral("Mass Tag Edit")); };
    const std::string& folder = host.GetCatalogue().Folder();
    if (result == CMp3EditDialog::DeleteTagsResult) {
        // "&Delete Tag" deletes the tags of the files the command takes, the selected ones too.
        runner.Run([folder, rows = std::move(rows)](ToolReport& report) { MassDeleteTags(folder, rows, report); }, then);
        return;
    }
    if (result == CMp3EditDialog::DeleteId3v2TagsResult) {
        runner.Run([folder, rows = Rows(scope)](ToolReport& report) { MassDeleteId3v2Tags(folder, rows, report); }, then);
        return;
    }
    MassTagValues values;
    values.addId3v2 = dialog.AlsoWriteId3v2();
    for (const FieldBox& box : CMp3EditDialog::kBoxes) {
        values[static_cast<Mp3Field>(box.field)] = dialog.FieldText(box.field);
    }
    runner.Run([folder, rows = std::move(rows), values](ToolReport& report) { MassEditTags(folder, rows, values, report); },
               then);
}

}  // namespace vorne::ui
