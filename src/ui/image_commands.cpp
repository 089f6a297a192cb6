#include "ui/image_commands.h"

#include <array>
#include <memory>

#include "catalogue/catalogue.h"
#include "tools/checksum_fixer.h"
#include "tools/n64_conversion.h"
#include "ui/byte_text.h"
#include "ui/command_support.h"
#include "ui/tool_runner.h"
#include "ui/user_prompts.h"

namespace vorne::ui {

namespace {

const QString kFixTitle = QStringLiteral("Fix Checksums");
const QString kConvertTitle = QStringLiteral("Convert N64 Byte Order");

// The orders the conversion offers, as the list names them.
struct OrderChoice {
    N64ByteOrder order;
    const char* text;
};
constexpr std::array<OrderChoice, 3> kOrders{{
    {N64ByteOrder::BigEndian, "z64 (big-endian)"},
    {N64ByteOrder::ByteSwapped, "v64 (byte-swapped)"},
    {N64ByteOrder::LittleEndian, "n64 (little-endian words)"},
}};

}  // namespace

ImageCommands::ImageCommands(CommandHost& host, CUserPrompts& prompts, ToolRunner& runner)
    : host(host), prompts(prompts), runner(runner) {
    host.RegisterCommand(Command::FixChecksums, [this] { OnFixChecksums(); });
    host.RegisterCommand(Command::ConvertN64ByteOrder, [this] { OnConvertN64ByteOrder(); });
}

void ImageCommands::OnFixChecksums() {
    const Catalogue& catalogue = host.GetCatalogue();
    auto fixed = std::make_shared<std::vector<FixedChecksums>>();
    runner.Run(
        [fixed, folder = catalogue.Folder(), rows = CommandRows(host, ToolScope::Selection), type = catalogue.Type()](
            ToolReport& report) { *fixed = FixRowChecksums(folder, rows, type, report); },
        [this, fixed](const ToolRunner::Ending& ending) {
            // What was written comes first, even when a file error cut the command short.
            if (ending.error.empty() || !fixed->empty()) {
                prompts.Message(host.Window(), kFixTitle, FromBytes(FixedChecksumsText(*fixed)), PromptIcon::Information);
            }
            EndWithScan(host, prompts, ending, kFixTitle);
        });
}

void ImageCommands::OnConvertN64ByteOrder() {
    QStringList names;
    for (const OrderChoice& choice : kOrders) names << QString::fromLatin1(choice.text);
    const std::optional<int> chosen =
        prompts.Choose(host.Window(), kConvertTitle, QStringLiteral("Write copies of the selected images in the byte order:"),
                       names, 0);
    if (!chosen || *chosen < 0 || *chosen >= static_cast<int>(kOrders.size())) return;
    const Catalogue& catalogue = host.GetCatalogue();
    runner.Run(
        [folder = catalogue.Folder(), rows = CommandRows(host, ToolScope::Selection),
         order = kOrders[static_cast<std::size_t>(*chosen)].order, count = catalogue.EntryCount()](ToolReport& report) {
            ConvertN64Files(folder, rows, order, count, report);
        },
        [this](const ToolRunner::Ending& ending) { EndWithScan(host, prompts, ending, kConvertTitle); });
}

}  // namespace vorne::ui
