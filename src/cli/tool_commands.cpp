// vorne-cli's batch commands: clean-headers, remove-trainers, convert, convert-n64, tag,
// rename-from-tags, ips. Each does what the window's command does over the rows of its PATHs.
#include <array>
#include <string>

#include "base/text_rules.h"
#include "cli/cli_report.h"
#include "cli/commands.h"
#include "cli/field_arguments.h"
#include "cli/output.h"
#include "cli/tool_rows_option.h"
#include "platform/file_error.h"
#include "tools/genesis_conversion.h"
#include "tools/ips_patch.h"
#include "tools/mass_tag_edit.h"
#include "tools/n64_conversion.h"
#include "tools/nes_header_cleaner.h"
#include "tools/tag_names.h"
#include "tools/trainer_remover.h"

namespace vorne::cli {

namespace {

// The PATHs, from the positional word `first` on.
std::vector<std::string> Paths(const Arguments& args, std::size_t first = 0) {
    if (args.positional.size() <= first) throw UsageError(args.command + " needs at least one PATH");
    return {args.positional.begin() + static_cast<std::ptrdiff_t>(first), args.positional.end()};
}

ExitCode Outcome(const CliReport& report) { return report.AnyFailed() ? ExitCode::Failure : ExitCode::Success; }

// The tag options and the fields they set.
struct TagOption {
    const char* name;
    Mp3Field field;
};
constexpr std::array<TagOption, 6> kTagOptions{{
    {"--title", Mp3Field::Title},
    {"--artist", Mp3Field::Artist},
    {"--album", Mp3Field::Album},
    {"--year", Mp3Field::Year},
    {"--comment", Mp3Field::Comment},
    {"--genre", Mp3Field::Genre},
}};

}  // namespace

ExitCode RunCleanHeaders(const Arguments& args) {
    AllowOnly(args, {}, {"--subdirs", "--zip"});
    CliReport report;
    const auto rows = RowsOfPaths(Paths(args), RomType::Nes, args, report);
    CleanerCounts counts;
    try {
        CleanNesHeaders("", rows, ToolScope::WholeList, report, counts);
    } catch (const FileError&) {
        // The files cleaned before the one that could not be written stay cleaned: say so first.
        report.Message("Header Cleaner", CleanerSummary(counts));
        throw;
    }
    return Outcome(report);
}

ExitCode RunRemoveTrainers(const Arguments& args) {
    AllowOnly(args, {}, {"--subdirs", "--zip", "--yes"});
    CliReport report(args.Flag("--yes"));
    const auto rows = RowsOfPaths(Paths(args), RomType::Nes, args, report);
    try {
        RemoveNesTrainers("", rows, ToolScope::WholeList, report);
    } catch (const FileError&) {
        // The trainers removed before the file that could not be done stay removed: say so first.
        report.Message("Trainer Remover", TrainerSummary(report.Changed()));
        throw;
    }
    return Outcome(report);
}

ExitCode RunConvert(const Arguments& args) {
    AllowOnly(args, {}, {"--subdirs"});
    if (args.positional.empty()) throw UsageError("convert needs an EXT (smd, bin or 32x) and at least one PATH");
    const std::string& extension = args.positional.front();
    RomType type = RomType::Genesis;
    if (EqualsIgnoringCase(extension, "32x")) {
        type = RomType::Genesis32X;
    } else if (!EqualsIgnoringCase(extension, "smd") && !EqualsIgnoringCase(extension, "bin")) {
        throw UsageError("convert takes smd, bin or 32x, not '" + extension + "'");
    }
    CliReport report;
    const std::string_view only[] = {extension};
    const auto rows = RowsOfPaths(Paths(args, 1), type, args, report, only);
    std::string out;
    for (const std::string& output : ConvertGenesisFiles("", rows, extension, 0, report)) out += PrintableText(output) + "\n";
    WriteOut(out);
    return Outcome(report);
}

ExitCode RunConvertN64(const Arguments& args) {
    AllowOnly(args, {}, {"--subdirs"});
    if (args.positional.empty()) throw UsageError("convert-n64 needs an ORDER (z64, v64 or n64) and at least one PATH");
    const N64ByteOrder order = N64ByteOrderOfName(args.positional.front());
    if (order == N64ByteOrder::Unknown) throw UsageError("convert-n64 takes z64, v64 or n64, not '" + args.positional.front() + "'");
    CliReport report;
    const auto rows = RowsOfPaths(Paths(args, 1), RomType::N64, args, report);
    std::string out;
    for (const std::string& output : ConvertN64Files("", rows, order, 0, report)) out += PrintableText(output) + "\n";
    WriteOut(out);
    return Outcome(report);
}

// The pattern of --from-name or --pattern; a bad one is a usage error.
TagPattern PatternOf(const std::string& text) {
    try {
        return TagPattern::Parse(text);
    } catch (const std::invalid_argument& e) {
        throw UsageError(e.what());
    }
}

ExitCode RunTag(const Arguments& args) {
    AllowOnly(args, {"--title", "--artist", "--album", "--year", "--comment", "--genre", "--from-name"},
              {"--subdirs", "--zip", "--delete", "--delete-id3v2", "--id3v2"});
    MassTagValues values;
    bool anyValue = false;
    for (const TagOption& option : kTagOptions) {
        if (auto text = args.Value(option.name)) {
            // A genre goes by its number or its name; a blank one leaves each file's genre.
            values[option.field] = option.field == Mp3Field::Genre ? GenreArgument(*text) : *text;
            anyValue = true;
        }
    }
    values.addId3v2 = args.Flag("--id3v2");
    const std::optional<std::string> fromName = args.Value("--from-name");
    const bool remove = args.Flag("--delete");
    const bool removeId3v2 = args.Flag("--delete-id3v2");
    if (int{anyValue} + int{fromName.has_value()} + int{remove} + int{removeId3v2} != 1) {
        throw UsageError("tag needs field options (--title, --artist, ...), --from-name, --delete or --delete-id3v2, one of them");
    }
    if (values.addId3v2 && (remove || removeId3v2)) throw UsageError("--id3v2 goes with field options or --from-name");
    const std::optional<TagPattern> pattern = fromName ? std::optional(PatternOf(*fromName)) : std::nullopt;
    CliReport report;
    const auto rows = RowsOfPaths(Paths(args), RomType::Mp3, args, report);
    try {
        if (pattern) {
            TagsFromNames("", rows, *pattern, values.addId3v2, report);
        } else if (remove) {
            MassDeleteTags("", rows, report);
        } else if (removeId3v2) {
            MassDeleteId3v2Tags("", rows, report);
        } else {
            MassEditTags("", rows, values, report);
        }
    } catch (const FileError&) {
        // The files changed before the one that could not be done stay changed: say how many.
        report.Message("Mass Tag Edit", std::to_string(report.Changed()) + " files changed before the error.");
        throw;
    }
    return Outcome(report);
}

ExitCode RunRenameFromTags(const Arguments& args) {
    AllowOnly(args, {"--pattern"}, {"--subdirs", "--dry-run"});
    const std::optional<std::string> text = args.Value("--pattern");
    if (!text) throw UsageError("rename-from-tags needs --pattern");
    const TagPattern pattern = PatternOf(*text);
    CliReport report;
    const auto rows = RowsOfPaths(Paths(args), RomType::Mp3, args, report);
    std::string out;
    for (const RenamePlan& plan : RenameFromTags("", rows, pattern, args.Flag("--dry-run"), report)) {
        out += PrintableText(plan.path) + " -> " + PrintableText(plan.newPath) + "\n";
    }
    WriteOut(out);
    return Outcome(report);
}

ExitCode RunIps(const Arguments& args) {
    AllowOnly(args, {"-o"}, {});
    if (args.positional.size() != 2) throw UsageError("ips needs a TARGET and a PATCH");
    const IpsResult result = ApplyIpsPatch(args.positional[0], args.positional[1], args.OutputPath().value_or(""));
    std::string text = MessageFor(result).text;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (result.outcome == IpsOutcome::Applied) {
        WriteOut(text + "\n");
        return ExitCode::Success;
    }
    Warn(text);
    return ExitCode::Failure;
}

}  // namespace vorne::cli
