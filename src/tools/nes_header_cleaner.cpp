#include "tools/nes_header_cleaner.h"

#include <algorithm>
#include <array>

#include "base/rom_type.h"
#include "catalogue/status_parts.h"
#include "formats/nes.h"
#include "platform/file.h"
#include "platform/file_error.h"
#include "tools/tool_rows.h"

namespace vorne {

namespace {

constexpr std::size_t kFlags7 = 7;  // the first reserved byte
constexpr std::size_t kFirstUnused = 11;  // bytes 11 to 15 hold nothing in iNES 1.0

constexpr std::array<std::uint8_t, 4> kInesMark{'N', 'E', 'S', 0x1A};

}  // namespace

bool HasHeaderJunk(std::span<const std::uint8_t, 16> header) {
    // Byte 7 AND 0x0C reading 0x08 is the NES 2.0 mark: bytes 7 to 15 are fields then, however
    // long the file. iNES 1.0 gives bytes 7 to 10 meaning (VS and PlayChoice bits, the mapper's
    // high nibble, PRG RAM, TV system), so only what no header can mean counts as junk: bits 2
    // and 3 of byte 7 reading 01 or 11, or anything in bytes 11 to 15.
    const std::uint8_t byte7 = header[kFlags7];
    if ((byte7 & 0x0C) == 0x08) return false;
    return (byte7 & 0x04) != 0 || std::any_of(header.begin() + kFirstUnused, header.end(), [](std::uint8_t b) { return b != 0; });
}

bool CleanNesHeader(NesHeader& reader, File* file, CleanerCounts& counts) {
    const auto& header = reader.RawHeader();
    if (!std::equal(kInesMark.begin(), kInesMark.end(), header.begin())) {
        throw NotAnInesImage(reader.Path() + ": is not an iNES image (it does not begin with NES and 0x1A); left as it is");
    }
    const std::uint8_t byte7 = header[kFlags7];
    if (byte7 == 0 || !HasHeaderJunk(header)) return false;
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
    CleanerCounts counts;
    CleanNesHeaders(folder, rows, scope, report, counts);
    return counts;
}

void CleanNesHeaders(const std::string& folder, std::span<const CatalogRow> rows, ToolScope scope, ToolReport& report,
                     CleanerCounts& counts) {
    if (scope == ToolScope::Selection) report.Status(kStatusEntries, "Cleaning...");
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
        } catch (const NotAnInesImage& e) {
            report.Skipped(filename, ReasonOf(e.what(), reader.Path()));
            return;
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
}

std::string CleanerSummary(const CleanerCounts& counts) {
    return std::to_string(counts.cleaned) + " headers cleaned, " + std::to_string(counts.mappers) + " mappers changed, " +
           std::to_string(counts.reserved) + " reserved bytes changed.";
}

}  // namespace vorne
