#include "tools/nes_header_cleaner.h"

#include <vector>

#include "base/rom_type.h"
#include "catalogue/status_parts.h"
#include "formats/nes.h"
#include "tools/tool_rows.h"

namespace vorne {

namespace {

constexpr int kNesMapperColumn = 3;
// The fields of NesHeader::WriteField that clear the reserved bytes.
constexpr int kFirstReservedByteField = 100;  // byte 7
constexpr int kReservedRemainderField = 11;   // bytes 8 to 15
constexpr std::size_t kFlags7 = 7;

}  // namespace

bool CleanNesHeader(NesHeader& reader, CleanerCounts& counts) {
    const std::uint8_t byte7 = reader.RawHeader()[kFlags7];
    if (byte7 == 0 || reader.IsNes2()) return false;
    std::vector<FieldEdit> edits;
    const bool clearsMapper = (byte7 & 0x0F) != 0;
    if (clearsMapper) edits.push_back({kFirstReservedByteField, ""});
    edits.push_back({kReservedRemainderField, ""});
    reader.WriteFields(edits);
    counts.mappers += clearsMapper ? 1 : 0;
    counts.reserved += 1;
    counts.cleaned += 1;
    return true;
}

CleanerCounts CleanNesHeaders(const std::string& folder, std::span<const CatalogRow> rows, ToolScope scope,
                              ToolReport& report) {
    if (scope == ToolScope::Selection) report.Status(kStatusEntries, "Cleaning...");
    CleanerCounts counts;
    NesHeader reader;
    for (const CatalogRow& row : rows) {
        if (report.StopRequested()) break;
        if (row.cells.size() <= kFilenameColumn) continue;
        const std::string& filename = row.cells[kFilenameColumn];
        if (IsArchiveMember(filename)) continue;
        reader.LoadFile(RowFilePath(folder, filename));
        bool cleaned = false;
        try {
            cleaned = CleanNesHeader(reader, counts);
        } catch (const OperationRefused& e) {
            report.Failed(filename, ReasonOf(e.what(), reader.Path()));
            continue;
        }
        if (!cleaned) continue;
        if (scope == ToolScope::Selection) report.Status(kStatusFile, filename);
        report.CellsChanged(filename, {{kNesReservedColumn, *reader.ColumnText(kNesReservedColumn)},
                                       {kNesMapperColumn, *reader.ColumnText(kNesMapperColumn)}});
    }
    if (scope == ToolScope::WholeList) report.Message("Header Cleaner", CleanerSummary(counts));
    return counts;
}

std::string CleanerSummary(const CleanerCounts& counts) {
    return std::to_string(counts.cleaned) + " headers cleaned, " + std::to_string(counts.mappers) + " mappers changed, " +
           std::to_string(counts.reserved) + " reserved bytes changed.";
}

}  // namespace vorne
