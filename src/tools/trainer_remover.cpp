#include "tools/trainer_remover.h"

#include <charconv>

#include "base/rom_type.h"
#include "catalogue/status_parts.h"
#include "formats/nes.h"
#include "tools/tool_rows.h"

namespace vorne {

namespace {

constexpr auto kTrainerColumn = static_cast<std::size_t>(NesField::Trainer);
constexpr std::int64_t kBankSize = 8192;

// The decimal number of the Size column; a text that is no number gives -1.
std::int64_t SizeOf(std::string_view text) {
    std::int64_t size = -1;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
    return error == std::errc() && end == text.data() + text.size() ? size : -1;
}

}  // namespace

bool TrainerSizeIsSuspect(std::int64_t size) { return size % kBankSize < 512; }

std::string BadSizeQuestion(std::string_view filename) {
    return "Inappropriate filesize for trained ROM " + std::string(filename) + ". Continue removal?";
}

int RemoveNesTrainers(const std::string& folder, std::span<const CatalogRow> rows, ToolScope scope, ToolReport& report) {
    if (scope == ToolScope::Selection) report.Status(kStatusEntries, "Processing...");
    int removed = 0;
    NesHeader reader;
    ForEachFileRow(rows, report, [&](const CatalogRow& row, const std::string& filename) {
        if (row.cells.size() <= kTrainerColumn || row.cells[kTrainerColumn] == "No") return;
        const std::int64_t size = SizeOf(row.cells[kSizeColumn]);
        if (size < kSmallestTrainedFile) {
            report.Skipped(filename, "too short to hold a trainer (" + std::to_string(kSmallestTrainedFile) +
                                         " bytes of header and trainer); left as it is");
            return;
        }
        if (TrainerSizeIsSuspect(size) && !report.Ask("Bad Size", BadSizeQuestion(filename))) return;
        if (scope == ToolScope::Selection) report.Status(kStatusFile, filename);
        reader.LoadFile(RowFilePath(folder, row.file));
        try {
            reader.RemoveTrainer();
        } catch (const OperationRefused& e) {
            report.Skipped(filename, ReasonOf(e.what(), reader.Path()));
            return;
        }
        ++removed;
        // Should a later file end the command, the row shows the file as it is now.
        report.CellsChanged(filename, ChangedCells(reader));
    });
    if (scope == ToolScope::WholeList) report.Message("Trainer Remover", TrainerSummary(removed));
    return removed;
}

std::string TrainerSummary(int removed) { return std::to_string(removed) + " trainers removed."; }

}  // namespace vorne
