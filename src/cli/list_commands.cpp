// vorne-cli save-list and compare: the list files of the window's "Save List" and its Compare ROM
// Lists dialog.
#include <charconv>
#include <iostream>
#include <vector>

#include "catalogue/catalogue.h"
#include "cli/cli_report.h"
#include "cli/commands.h"
#include "cli/known_dumps_option.h"
#include "cli/output.h"
#include "cli/tool_rows_option.h"
#include "tools/list_compare.h"
#include "tools/list_file.h"

namespace vorne::cli {

namespace {

// One pixel width per column: the kind's default widths, or those --widths gives.
std::vector<int> ColumnWidths(const Arguments& args, RomType type) {
    const auto& columns = Kind(type).columns;
    std::vector<int> widths;
    auto given = args.Value("--widths");
    if (!given) {
        for (const ColumnInfo& column : columns) widths.push_back(column.width);
        return widths;
    }
    std::string_view text = *given;
    while (true) {
        auto comma = text.find(',');
        std::string_view word = text.substr(0, comma);
        int width = 0;
        auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), width);
        if (word.empty() || error != std::errc() || end != word.data() + word.size() || width < 0) {
            throw UsageError("--widths takes pixel widths separated by commas, not '" + *given + "'");
        }
        if (width > kWidestListColumn) {
            throw UsageError("--widths takes at most " + std::to_string(kWidestListColumn) + " pixels a column (" +
                             std::to_string(kLongestCellText) + " characters, the longest text a cell holds), not " +
                             std::string(word));
        }
        widths.push_back(width);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    if (widths.size() != columns.size()) {
        throw UsageError("--widths needs " + std::to_string(columns.size()) + " widths for the " +
                         std::string(Kind(type).cliName) + " kind, not " + std::to_string(widths.size()));
    }
    return widths;
}

}  // namespace

ExitCode RunSaveList(const Arguments& args) {
    AllowOnly(args, {"--kind", "--known-dumps", "--widths", "-o"}, {"--subdirs", "--zip"});
    const std::string& folder = args.OnePositional("a FOLDER");
    const RomType type = args.Kind();
    const std::vector<int> widths = ColumnWidths(args, type);
    auto out = args.OutputPath();
    if (!out) throw UsageError("save-list needs -o OUT");
    Catalogue catalogue;
    CliReport report;
    ScanForCommand(catalogue, folder, type, args, KnownDumpsPath(args), report);
    SaveListFile(*out, catalogue.Model(), widths);
    return report.AnyFailed() ? ExitCode::Failure : ExitCode::Success;
}

ExitCode RunCompare(const Arguments& args) {
    AllowOnly(args, {"-o"}, {});
    if (args.positional.size() != 2) throw UsageError("compare needs an ORIGINAL and a TEST list");
    const std::optional<std::string> out = args.OutputPath();
    // The lists are held as their texts, with a few bytes an entry besides, and the result is
    // written a piece at a time: lists of millions of lines cost little more than their size.
    const ListEntries original = ReadListEntries(args.positional[0]);
    const ListEntries test = ReadListEntries(args.positional[1]);
    std::cerr << RomsLabel(original.Size()) << "\n" << RomsLabel(test.Size()) << "\n";
    if (original.Size() == 0 || test.Size() == 0) {
        Warn("nothing to compare: " + (original.Size() == 0 ? args.positional[0] : args.positional[1]) + " holds no lines");
        return ExitCode::Failure;
    }
    const std::vector<std::uint32_t> unmatched = UnmatchedEntries(original, test);
    std::cerr << UnmatchedLabel(unmatched.size()) << "\n";
    const EntryAt entry = [&](std::size_t i) { return test[unmatched[i]]; };
    if (out) SaveUnmatched(*out, unmatched.size(), entry);
    WriteUnmatchedText(unmatched.size(), entry, [](std::string_view piece) { WriteOut(piece); });
    return ExitCode::Success;
}

}  // namespace vorne::cli
