#include "ui/tag_name_commands.h"

#include <optional>
#include <stdexcept>

#include "catalogue/catalogue.h"
#include "tools/tag_names.h"
#include "ui/byte_text.h"
#include "ui/command_support.h"
#include "ui/settings.h"
#include "ui/tool_runner.h"
#include "ui/user_prompts.h"

namespace vorne::ui {

TagNameCommands::TagNameCommands(CommandHost& host, CUserPrompts& prompts, Settings& settings, ToolRunner& runner)
    : host(host), prompts(prompts), settings(settings), runner(runner) {
    using Mode = CTagPatternDialog::Mode;
    host.RegisterCommand(Command::TagsFromFileNames, [this] { Run(Mode::TagsFromNames, ToolScope::WholeList); });
    host.RegisterCommand(Command::RenameFromTags, [this] { Run(Mode::RenameFromTags, ToolScope::WholeList); });
    host.RegisterCommand(Command::SelectionTagsFromFileNames, [this] { Run(Mode::TagsFromNames, ToolScope::Selection); });
    host.RegisterCommand(Command::SelectionRenameFromTags, [this] { Run(Mode::RenameFromTags, ToolScope::Selection); });
}

void TagNameCommands::Run(CTagPatternDialog::Mode mode, ToolScope scope) {
    const std::string& folder = host.GetCatalogue().Folder();
    std::vector<CatalogRow> rows = CommandRows(host, scope);
    CTagPatternDialog dialog(mode, folder, rows, settings.TagNamePattern(), host.Window());
    if (prompts.RunModal(dialog) != QDialog::Accepted) return;
    std::optional<TagPattern> parsed;
    try {
        parsed = TagPattern::Parse(ToBytes(dialog.Pattern()));
    } catch (const std::invalid_argument&) {
        return;  // OK is greyed while the text is no pattern
    }
    settings.SetTagNamePattern(dialog.Pattern());
    const TagPattern pattern = std::move(*parsed);
    const QString title = dialog.windowTitle();
    const auto then = [this, title](const ToolRunner::Ending& ending) { EndWithScan(host, prompts, ending, title); };
    if (mode == CTagPatternDialog::Mode::TagsFromNames) {
        runner.Run([folder, rows = std::move(rows), pattern, addId3v2 = dialog.AlsoWriteId3v2()](ToolReport& report) {
            TagsFromNames(folder, rows, pattern, addId3v2, report);
        }, then);
    } else {
        runner.Run([folder, rows = std::move(rows), pattern](ToolReport& report) {
            RenameFromTags(folder, rows, pattern, false, report);
        }, then);
    }
}

}  // namespace vorne::ui
