#include "tools/mass_tag_edit.h"

#include "base/rom_type.h"
#include "formats/mp3.h"
#include "tools/tool_rows.h"

namespace vorne {

namespace {

// The order the fields are written in.
constexpr std::array kWriteOrder{0, 4, 3, 5, 6, 7};

// Calls `visit` with the file of every row that is not an archive member.
template <typename Visit>
void ForEachFile(const std::string& folder, std::span<const CatalogRow> rows, ToolReport& report, Visit visit) {
    for (const CatalogRow& row : rows) {
        if (report.StopRequested()) return;
        if (row.cells.size() <= kFilenameColumn || IsArchiveMember(row.cells[kFilenameColumn])) continue;
        visit(RowFilePath(folder, row.cells[kFilenameColumn]));
    }
}

}  // namespace

std::vector<FieldEdit> MassTagEdits(const MassTagValues& values) {
    std::vector<FieldEdit> edits;
    for (int field : kWriteOrder) {
        const std::string& text = values.texts[static_cast<std::size_t>(field)];
        if (!text.empty()) edits.push_back({field, text});
    }
    return edits;
}

int MassEditTags(const std::string& folder, std::span<const CatalogRow> rows, const MassTagValues& values,
                 ToolReport& report) {
    const std::vector<FieldEdit> edits = MassTagEdits(values);
    if (edits.empty()) return 0;
    int written = 0;
    Mp3Tag reader;
    ForEachFile(folder, rows, report, [&](const std::string& path) {
        reader.LoadFile(path);
        reader.WriteFields(edits);
        ++written;
    });
    return written;
}

int MassDeleteTags(const std::string& folder, std::span<const CatalogRow> rows, ToolReport& report) {
    int deleted = 0;
    Mp3Tag reader;
    ForEachFile(folder, rows, report, [&](const std::string& path) {
        reader.LoadFile(path);
        if (reader.DeleteTag()) ++deleted;
    });
    return deleted;
}

}  // namespace vorne
