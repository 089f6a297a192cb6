#include "cli/dat_option.h"

#include "catalogue/scan_queue.h"
#include "cli/exit_codes.h"
#include "cli/known_dumps_option.h"
#include "cli/output.h"
#include "platform/directory.h"

namespace vorne::cli {

std::shared_ptr<const DatSet> DatOption(const Arguments& args) {
    const auto path = args.Value("--dat");
    if (!path) return nullptr;
    // No DAT describes music or archives themselves: a DAT there would only give empty columns.
    const RomType type = args.Kind();
    if (type == RomType::Mp3 || type == RomType::Zip) {
        throw UsageError("--dat is for cartridge kinds, not " + std::string(Kind(type).cliName));
    }
    auto dat = LoadDatSet(*path);
    if (const std::string warning = dat->file.SkippedWarning(*path); !warning.empty()) {
        Warn("warning: " + warning);
    }
    return dat;
}

DuplicateRule DuplicatesOption(const Arguments& args) {
    const auto value = args.Value("--duplicates");
    if (!value || *value == "columns") return DuplicateRule::Columns;
    if (*value == "data") return DuplicateRule::Data;
    throw UsageError("--duplicates takes data or columns, not '" + *value + "'");
}

void ScanWithOptions(Catalogue& catalogue, const Arguments& args, const std::string& folder, RomType type,
                     std::shared_ptr<const DatSet> dat, DuplicateRule rule) {
    Directory::Open(folder);  // a folder that cannot be opened is a failure of the command
    auto switches = std::make_shared<ScanSwitches>();
    switches->subfolders = args.Flag("--subdirs");
    switches->zipFiles = args.Flag("--zip");
    ScanRequest request{type, folder, switches, KnownDumpsPath(args)};
    request.dat = dat;
    request.hashData = rule == DuplicateRule::Data;
    // Every scan keeps what it read, so that a rescan reads only what changed, hashed or not.
    if (!args.Flag("--no-cache")) {
        request.cache = std::make_shared<HashCache>(args.Value("--cache").value_or(DefaultCachePath()));
    }
    catalogue.ChooseKind(type);
    catalogue.SetDat(std::move(dat));
    catalogue.SetDuplicateRule(rule);
    RunScan(catalogue, request);
    for (const FileProblem& problem : catalogue.Problems()) {
        Warn(problem.path + ": " + problem.message);
    }
}

}  // namespace vorne::cli
