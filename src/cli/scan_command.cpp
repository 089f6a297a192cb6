// vorne-cli scan: the scan and the duplicate finder, exactly as the application runs them.
#include <algorithm>
#include <memory>

#include "catalogue/catalogue.h"
#include "catalogue/scan_queue.h"
#include "cli/commands.h"
#include "cli/json_writer.h"
#include "cli/dat_option.h"
#include "cli/output.h"
#include "platform/directory.h"

namespace vorne::cli {

namespace {

// The hashes of a row and, with a DAT, its verdict; nothing for a scan that hashed nothing.
std::string RowHashesJson(const Catalogue& catalogue, const CatalogRow& row) {
    std::string out;
    if (row.hashes) {
        out += ", \"crc32\": " + JsonString(CrcText(row.hashes->crc)) +
               ", \"sha1\": " + JsonString(row.hashes->sha1 ? HexText(*row.hashes->sha1) : "");
    }
    if (const DatSet* dat = catalogue.Dat()) {
        out += ", \"datName\": " + JsonString(dat->GameName(row.dat)) +
               ", \"datMatch\": " + JsonString(VerdictText(row.dat.verdict));
    }
    return out;
}

void PrintJson(const Catalogue& catalogue) {
    const CatalogModel& model = catalogue.Model();
    std::string out = "{\"kind\": " + JsonString(Kind(catalogue.Type()).cliName) + ", \"columns\": [";
    const auto columns = catalogue.Columns();
    for (std::size_t c = 0; c < columns.size(); ++c) out += (c ? ", " : "") + JsonString(columns[c].title);
    out += "], \"rows\": [";
    for (int r = 0; r < model.RowCount(); ++r) {
        out += r ? ",\n  {\"cells\": [" : "\n  {\"cells\": [";
        const auto& cells = model.Row(r).cells;
        for (std::size_t c = 0; c < cells.size(); ++c) out += (c ? ", " : "") + JsonString(cells[c]);
        out += "], \"duplicate\": ";
        out += model.IsDuplicate(r) ? "true" : "false";
        out += RowFileJson(model.Row(r).file);
        out += RowHashesJson(catalogue, model.Row(r));
        out += "}";
    }
    out += "], \"groups\": [";
    const auto& groups = model.DuplicateGroups();
    for (std::size_t g = 0; g < groups.size(); ++g) {
        out += g ? ", [" : "[";
        for (std::size_t m = 0; m < groups[g].size(); ++m) out += (m ? ", " : "") + std::to_string(groups[g][m]);
        out += "]";
    }
    out += "]";
    if (const DatSet* dat = catalogue.Dat()) {
        out += ", \"dat\": {\"name\": " + JsonString(dat->file.header.name) + ", \"entries\": " +
               std::to_string(dat->file.games.size()) + ", \"matched\": " + std::to_string(catalogue.DatMatchCount()) + "}";
    }
    out += ", \"entryCount\": " + std::to_string(catalogue.EntryCount());
    out += ", \"uniqueCount\": " + std::to_string(catalogue.UniqueCount());
    out += ", \"status\": [" + JsonString(catalogue.Status(kStatusEntries)) + ", " + JsonString(catalogue.Status(kStatusDuplicates)) + ", " +
           JsonString(catalogue.Status(kStatusFile)) + "]}\n";
    WriteOut(out);
}

// A readable table: a '*' marks duplicates, long cells are cut with "...".
void PrintTable(const Catalogue& catalogue) {
    constexpr std::size_t kMaxWidth = 48;
    const CatalogModel& model = catalogue.Model();
    const auto columns = catalogue.Columns();
    std::vector<std::vector<std::string>> cells(static_cast<std::size_t>(model.RowCount()));
    std::vector<std::size_t> widths(columns.size());
    for (std::size_t c = 0; c < columns.size(); ++c) widths[c] = columns[c].title.size();
    for (int r = 0; r < model.RowCount(); ++r) {
        auto& row = cells[static_cast<std::size_t>(r)];
        for (std::size_t c = 0; c < columns.size(); ++c) {
            row.push_back(PrintableText(model.Cell(r, static_cast<int>(c))));
            widths[c] = std::max(widths[c], row.back().size());
        }
    }
    for (std::size_t& width : widths) width = std::min(width, kMaxWidth);
    auto cell = [&](std::string_view text, std::size_t c) {
        std::string s(text.size() > widths[c] ? std::string(text.substr(0, widths[c] - 3)) + "..." : std::string(text));
        std::string pad(widths[c] - std::min(widths[c], s.size()), ' ');
        return columns[c].align == Align::Right ? pad + s : s + pad;
    };
    std::string out;
    auto line = [&](std::string_view mark, auto text) {
        std::string row(mark);
        for (std::size_t c = 0; c < columns.size(); ++c) row += cell(text(c), c) + "  ";
        row.erase(row.find_last_not_of(' ') + 1);
        out += row + "\n";
    };
    line("  ", [&](std::size_t c) { return columns[c].title; });
    for (int r = 0; r < model.RowCount(); ++r) {
        line(model.IsDuplicate(r) ? "* " : "  ",
             [&](std::size_t c) { return std::string_view(cells[static_cast<std::size_t>(r)][c]); });
    }
    out += "\n" + catalogue.Status(kStatusEntries) + "\n" + catalogue.Status(kStatusDuplicates) + "\n" + catalogue.Status(kStatusFile) + "\n";
    WriteOut(out);
}

}  // namespace

ExitCode RunScan(const Arguments& args) {
    AllowOnly(args, {"--kind", "--known-dumps", "--dat", "--duplicates", "--cache"}, {"--subdirs", "--zip", "--json", "--no-cache"});
    const std::string& folder = args.OnePositional("a FOLDER");
    RomType type = args.Kind();
    const DuplicateRule rule = DuplicatesOption(args);
    Catalogue catalogue;
    ScanWithOptions(catalogue, args, folder, type, DatOption(args), rule);
    if (args.Flag("--json")) {
        PrintJson(catalogue);
    } else {
        PrintTable(catalogue);
    }
    return ExitCode::Success;
}

}  // namespace vorne::cli
