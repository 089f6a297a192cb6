#include "ui/patch_commands.h"

#include <memory>

#include "platform/file_error.h"
#include "tools/ips_patch.h"
#include "tools/make_patch_file.h"
#include "tools/patch_file.h"
#include "ui/byte_text.h"
#include "ui/tool_runner.h"
#include "ui/user_prompts.h"

namespace vorne::ui {

namespace {

const QString kAllFiles = QStringLiteral("All files (*)");
const QString kAppTitle = QStringLiteral("Vorne");
const QString kCreateTitle = QStringLiteral("Create Patch");

// What applying a patch came to: the IPS patcher's outcome, or the other formats' result.
struct Applied {
    bool ips = true;
    IpsResult ipsResult;
    PatchFileResult result;
};

}  // namespace

PatchCommands::PatchCommands(CommandHost& host, CUserPrompts& prompts, ToolRunner& runner)
    : host(host), prompts(prompts), runner(runner) {
    host.RegisterCommand(Command::ApplyIpsPatch, [this] { OnApplyPatch(); });
    host.RegisterCommand(Command::CreatePatch, [this] { OnCreatePatch(); });
}

void PatchCommands::OnApplyPatch() {
    QWidget* window = host.Window();
    prompts.Message(window, kAppTitle, QStringLiteral("Select file to be patched."), PromptIcon::Information);
    std::optional<QString> target = prompts.OpenFile(window, QStringLiteral("Select file to be patched"), kAllFiles);
    if (!target) return;
    prompts.Message(window, kAppTitle, QStringLiteral("Select patch file."), PromptIcon::Information);
    std::optional<QString> patch =
        prompts.OpenFile(window, QStringLiteral("Select patch file"), QStringLiteral("Patches (*.ips *.bps *.ups)"));
    if (!patch) return;
    prompts.Message(window, kAppTitle, QStringLiteral("Select file to save as (or cancel to not save as a different name)."),
                    PromptIcon::Information);
    std::optional<QString> saveAs = prompts.SaveFile(window, QStringLiteral("Save As"), kAllFiles, QString());

    // A large file takes a while to copy; the list stays as it is.
    auto applied = std::make_shared<Applied>();
    runner.Run(
        [applied, target = ToBytes(*target), patch = ToBytes(*patch), saveAs = saveAs ? ToBytes(*saveAs) : std::string()](
            ToolReport&) {
            // A patch that cannot be read goes the IPS patcher's way, which says so as it always did.
            PatchFormat format = PatchFormat::Unknown;
            try {
                format = PatchFormatOfFile(patch);
            } catch (const FileError&) {
            }
            applied->ips = format == PatchFormat::Ips || format == PatchFormat::Unknown;
            if (applied->ips) {
                applied->ipsResult = ApplyIpsPatch(target, patch, saveAs);
            } else {
                applied->result = PatchRomFile(target, patch, saveAs, false);
            }
        },
        [this, applied](const ToolRunner::Ending& ending) {
            QWidget* window = host.Window();
            if (!ending.error.empty()) {
                // The other formats refuse by throwing: a damaged patch, another ROM, a file error.
                const QString title = applied->ips ? QStringLiteral("IPS Error") : QStringLiteral("Patch Error");
                prompts.Message(window, title, FromBytes(ending.error), PromptIcon::Warning);
                return;
            }
            if (!applied->ips) {
                prompts.Message(window, QStringLiteral("Success!"), FromBytes(AppliedText(applied->result)) + QLatin1Char('\n'),
                                PromptIcon::Information);
                return;
            }
            const IpsMessage message = MessageFor(applied->ipsResult);
            const bool done = applied->ipsResult.outcome == IpsOutcome::Applied;
            prompts.Message(window, message.title.empty() ? kAppTitle : QString::fromLatin1(message.title),
                            FromBytes(message.text), done ? PromptIcon::Information : PromptIcon::Warning);
        });
}

void PatchCommands::OnCreatePatch() {
    QWidget* window = host.Window();
    std::optional<QString> original = prompts.OpenFile(window, QStringLiteral("Select original file"), kAllFiles);
    if (!original) return;
    std::optional<QString> modified = prompts.OpenFile(window, QStringLiteral("Select modified file"), kAllFiles);
    if (!modified) return;
    std::optional<QString> out = prompts.SaveFile(window, QStringLiteral("Save Patch As"),
                                                  QStringLiteral("BPS Patches (*.bps);;IPS Patches (*.ips)"), QStringLiteral("bps"));
    if (!out) return;
    if (PatchFormatForName(ToBytes(*out)) == PatchFormat::Unknown) {
        prompts.Message(window, kCreateTitle, QStringLiteral("A patch's name must end in .bps (BPS) or .ips (IPS)."),
                        PromptIcon::Warning);
        return;
    }
    auto made = std::make_shared<MadePatch>();
    runner.Run(
        [made, original = ToBytes(*original), modified = ToBytes(*modified), out = ToBytes(*out)](ToolReport&) {
            *made = MakePatchFile(original, modified, out);
        },
        [this, made](const ToolRunner::Ending& ending) {
            // IPS's refusals (a shorter file, one past 16 MiB) point to BPS themselves.
            if (!ending.error.empty()) {
                prompts.Message(host.Window(), kCreateTitle, FromBytes(ending.error), PromptIcon::Warning);
            } else {
                prompts.Message(host.Window(), kCreateTitle, FromBytes(MadeText(*made)), PromptIcon::Information);
            }
        });
}

}  // namespace vorne::ui
