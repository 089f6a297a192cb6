// vorne-cli verify and rename: a folder checked against a DAT, and its files named as the DAT
// names them.
#include <numeric>

#include "catalogue/dat_rename.h"
#include "cli/commands.h"
#include "cli/dat_option.h"
#include "cli/json_writer.h"
#include "cli/output.h"
#include "dat/dat_set.h"
#include "platform/rewrite.h"

namespace vorne::cli {

namespace {

std::shared_ptr<const DatSet> RequiredDat(const Arguments& args) {
    if (!args.Value("--dat")) throw UsageError(args.command + " needs --dat FILE");
    return DatOption(args);
}

std::vector<std::uint32_t> MatchedRoms(const CatalogModel& model) {
    std::vector<std::uint32_t> roms;
    for (int r = 0; r < model.RowCount(); ++r) {
        if (model.Row(r).dat.verdict == DatVerdict::Match) roms.push_back(model.Row(r).dat.rom);
    }
    return roms;
}

std::string_view VerifyWord(DatVerdict verdict) { return verdict == DatVerdict::NotInDat ? "No" : VerdictText(verdict); }

}  // namespace

ExitCode RunVerify(const Arguments& args) {
    AllowOnly(args, {"--kind", "--known-dumps", "--dat", "--fixdat", "--cache"}, {"--subdirs", "--zip", "--json", "--no-cache"});
    const std::string& folder = args.OnePositional("a FOLDER");
    const RomType type = args.Kind();
    Catalogue catalogue;
    ScanWithOptions(catalogue, args, folder, type, RequiredDat(args), DuplicateRule::Columns);
    const DatSet& dat = *catalogue.Dat();
    const CatalogModel& model = catalogue.Model();

    // Entries of the DAT that some file matches: two copies of one game count once.
    const int matched = catalogue.DatMatchCount();
    int notInDat = 0, bad = 0;
    for (int r = 0; r < model.RowCount(); ++r) {
        const DatVerdict verdict = model.Row(r).dat.verdict;
        notInDat += verdict == DatVerdict::NotInDat;
        bad += verdict == DatVerdict::Bad;
    }
    const std::vector<std::uint32_t> missing = MissingGames(dat.file, MatchedRoms(model));
    if (const auto fixdat = args.Value("--fixdat")) {
        const std::string text = FixdatText(dat.file, missing);
        WriteFileAtomically(*fixdat, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }

    const std::string summary = InDatText(matched, dat.file.games.size()) + ", " + std::to_string(notInDat) +
                                " not in DAT, " + std::to_string(bad) + " bad";
    std::string out;
    if (args.Flag("--json")) {
        out = "{\"files\": [";
        for (int r = 0; r < model.RowCount(); ++r) {
            const CatalogRow& row = model.Row(r);
            out += std::string(r ? ",\n  " : "\n  ") + "{\"match\": " + JsonString(VerdictText(row.dat.verdict)) +
                   ", \"datName\": " + JsonString(dat.GameName(row.dat)) + ", \"file\": " + JsonString(FilenameText(row.file)) +
                   RowFileJson(row.file) + "}";
        }
        out += "], \"missing\": [";
        for (std::size_t i = 0; i < missing.size(); ++i) out += (i ? ", " : "") + JsonString(dat.file.games[missing[i]].name);
        out += "], \"matched\": " + std::to_string(matched) + ", \"entries\": " + std::to_string(dat.file.games.size()) +
               ", \"notInDat\": " + std::to_string(notInDat) + ", \"bad\": " + std::to_string(bad) +
               ", \"summary\": " + JsonString(summary) + "}\n";
    } else {
        for (int r = 0; r < model.RowCount(); ++r) {
            const CatalogRow& row = model.Row(r);
            out += std::string(VerifyWord(row.dat.verdict)) + "\t" + PrintableText(dat.GameName(row.dat)) + "\t" +
                   PrintableText(FilenameText(row.file)) + "\n";
        }
        for (std::uint32_t g : missing) out += "Missing\t" + PrintableText(dat.file.games[g].name) + "\n";
        out += summary + "\n";
    }
    WriteOut(out);
    return ExitCode::Success;
}

ExitCode RunRename(const Arguments& args) {
    AllowOnly(args, {"--kind", "--known-dumps", "--dat", "--cache"}, {"--subdirs", "--dry-run", "--no-cache"});
    const std::string& folder = args.OnePositional("a FOLDER");
    const RomType type = args.Kind();
    Catalogue catalogue;
    ScanWithOptions(catalogue, args, folder, type, RequiredDat(args), DuplicateRule::Columns);
    std::vector<int> rows(static_cast<std::size_t>(catalogue.Model().RowCount()));
    std::iota(rows.begin(), rows.end(), 0);
    const DatRenameResult result =
        RenameToDatNames(folder, catalogue.Model(), *catalogue.Dat(), rows, args.Flag("--dry-run"));
    std::string out;
    for (const auto& renamed : result.renamed) out += PrintableText(renamed.from) + " -> " + PrintableText(renamed.to) + "\n";
    WriteOut(out);
    bool failed = false;
    for (const auto& left : result.leftAlone) {
        Warn(left.path + (left.failed ? ": cannot be renamed: " : ": left alone: ") + left.reason);
        failed = failed || left.failed;
    }
    return failed ? ExitCode::Failure : ExitCode::Success;
}

}  // namespace vorne::cli
