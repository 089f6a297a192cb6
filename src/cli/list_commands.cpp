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
    ListComparison comparison;
    comparison.SetOriginal(ReadListFile(args.positional[0]));
    comparison.SetTest(ReadListFile(args.positional[1]));
    std::cerr << RomsLabel(comparison.original.size()) << "\n" << RomsLabel(comparison.test.size()) << "\n";
    if (!comparison.CanCompare()) {
        Warn("nothing to compare: " + (comparison.original.empty() ? args.positional[0] : args.positional[1]) +
             " holds no lines");
        return ExitCode::Failure;
    }
    comparison.Compare();
    std::cerr << UnmatchedLabel(comparison.unmatched.size()) << "\n";
    if (out) SaveUnmatched(*out, comparison.unmatched);
    WriteOut(UnmatchedFileText(comparison.unmatched));
    return ExitCode::Success;
}

}  // namespace vorne::cli
