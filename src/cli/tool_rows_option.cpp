#include "cli/tool_rows_option.h"

#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "catalogue/catalogue.h"
#include "catalogue/scan_queue.h"
#include "formats/reader_factory.h"
#include "platform/directory.h"
#include "tools/tool_rows.h"

namespace vorne::cli {

namespace {

bool IsFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void AddFolderRows(const std::string& folder, RomType type, const Arguments& args, ToolReport& report,
                   std::vector<CatalogRow>& rows) {
    Catalogue catalogue;
    ScanForCommand(catalogue, folder, type, args, {}, report);
    for (int r = 0; r < catalogue.Model().RowCount(); ++r) {
        CatalogRow row = catalogue.Model().Row(r);
        row.file.path = RowFilePath(folder, row.file);
        rows.push_back(std::move(row));
    }
}

std::string KindRefusal(RomType type, std::span<const std::string_view> extensions) {
    std::string names;
    for (std::string_view extension : extensions) names += (names.empty() ? "." : ", .") + std::string(extension);
    return "is not a file of the " + std::string(Kind(type).cliName) + " kind (its extension is none of " + names +
           "); left as it is";
}

void AddFileRow(const std::string& path, RomType type, std::span<const std::string_view> extensions, ToolReport& report,
                std::vector<CatalogRow>& rows) {
    // A file named by mistake (`tag *` over a folder of images) is not the command's to change.
    if (std::none_of(extensions.begin(), extensions.end(), [&](std::string_view e) { return HasExtension(path, e); })) {
        report.Skipped(path, KindRefusal(type, extensions));
        return;
    }
    auto reader = CreateReader(type, nullptr);
    reader->LoadFile(path);
    rows.push_back(CatalogRow{ColumnTexts(*reader), RowFile{path}});
}

}  // namespace

void ScanForCommand(Catalogue& catalogue, const std::string& folder, RomType type, const Arguments& args,
                    const std::string& knownDumpsPath, ToolReport& report) {
    Directory::Open(folder);  // a folder that cannot be opened is a failure of the command
    auto switches = std::make_shared<ScanSwitches>();
    switches->subfolders = args.Flag("--subdirs");
    switches->zipFiles = args.Flag("--zip");
    catalogue.ChooseKind(type);
    RunScan(catalogue, ScanRequest{type, folder, switches, knownDumpsPath});
    for (const FileProblem& problem : catalogue.Problems()) {
        report.Failed(PathInFolder(folder, problem.path), problem.message);
    }
}

std::vector<CatalogRow> RowsOfPaths(const std::vector<std::string>& paths, RomType type, const Arguments& args,
                                    ToolReport& report, std::span<const std::string_view> extensions) {
    if (extensions.empty()) extensions = Kind(type).extensions;
    std::vector<CatalogRow> rows;
    for (const std::string& path : paths) {
        if (IsFolder(path)) {
            AddFolderRows(path, type, args, report, rows);
        } else {
            AddFileRow(path, type, extensions, report, rows);
        }
    }
    return rows;
}

}  // namespace vorne::cli
