#include "tools/nes_header_cleaner.h"

#include "base/rom_type.h"
#include "catalogue/status_parts.h"
#include "formats/nes.h"
#include "platform/file.h"
#include "platform/file_error.h"
#include "tools/tool_rows.h"

namespace vorne {

namespace {

constexpr std::size_t kFlags7 = 7;  // the first reserved byte

}  // namespace

bool CleanNesHeader(NesHeader& reader, File* file, CleanerCounts& counts) {
    const std::uint8_t byte7 = reader.RawHeader()[kFlags7];
    if (byte7 == 0 || reader.IsNes2()) return false;
    const bool clearsMapper = (byte7 & 0x0F) != 0;
    if (file != nullptr) {
        reader.ClearReservedBytes(*file, clearsMapper);
    } else {
        File opened = File::OpenReadWrite(reader.Path());
        reader.ClearReservedBytes(opened, clearsMapper);
        opened.Close();
    }
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
    ForEachFileRow(rows, report, [&](const CatalogRow& row, const std::string& filename) {
        // Most files that are cleaned need it, so each is opened once, for writing, and read and
        // written through that. One that may not be written is read all the same (a clean header
        // is no error); should it need cleaning, the write opens it again and reports why not.
        const std::string path = RowFilePath(folder, row.file);
        File file;
        bool writable = true;
        try {
            file = File::OpenReadWrite(path);
        } catch (const FileError&) {
            file = File::OpenRead(path);
            writable = false;
        }
        reader.LoadFile(file, path);
        bool cleaned = false;
        try {
            cleaned = CleanNesHeader(reader, writable ? &file : nullptr, counts);
        } catch (const OperationRefused& e) {
            report.Failed(filename, ReasonOf(e.what(), reader.Path()));
            return;
        }
        if (!cleaned) return;
        if (scope == ToolScope::Selection) report.Status(kStatusFile, filename);
        report.CellsChanged(filename, {{FieldNumber(NesField::Reserved), *reader.ColumnText(NesField::Reserved)},
                                       {FieldNumber(NesField::Mapper), *reader.ColumnText(NesField::Mapper)}});
    });
    if (scope == ToolScope::WholeList) report.Message("Header Cleaner", CleanerSummary(counts));
    return counts;
}

std::string CleanerSummary(const CleanerCounts& counts) {
    return std::to_string(counts.cleaned) + " headers cleaned, " + std::to_string(counts.mappers) + " mappers changed, " +
           std::to_string(counts.reserved) + " reserved bytes changed.";
}

}  // namespace vorne
