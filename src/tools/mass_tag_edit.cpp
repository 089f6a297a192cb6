#include "tools/mass_tag_edit.h"

#include "formats/mp3.h"
#include "tags/id3v2_write.h"
#include "tools/tool_rows.h"

namespace vorne {

namespace {

// The order the fields are written in.
constexpr std::array kWriteOrder{Mp3Field::Title, Mp3Field::Album,   Mp3Field::Artist,
                                 Mp3Field::Year,  Mp3Field::Comment, Mp3Field::Genre};

}  // namespace

std::vector<FieldEdit> MassTagEdits(const MassTagValues& values) {
    std::vector<FieldEdit> edits;
    for (Mp3Field field : kWriteOrder) {
        const std::string& text = values[field];
        if (!text.empty()) edits.push_back({field, FieldValueOfText(*Mp3FieldType(FieldNumber(field)), text)});
    }
    return edits;
}

int MassEditTags(const std::string& folder, std::span<const CatalogRow> rows, const MassTagValues& values,
                 ToolReport& report) {
    const std::vector<FieldEdit> edits = MassTagEdits(values);
    if (edits.empty()) return 0;
    int written = 0;
    Mp3Tag reader;
    reader.SetAddId3v2(values.addId3v2);
    ForEachFileRow(rows, report, [&](const CatalogRow& row, const std::string& name) {
        reader.LoadFile(RowFilePath(folder, row.file));
        try {
            reader.WriteFields(edits);
        } catch (const TagWriteRefused& e) {
            report.Failed(name, ReasonOf(e.what(), reader.Path()));
            return;
        }
        ++written;
        report.CellsChanged(name, ChangedCells(reader));
    });
    return written;
}

int MassDeleteTags(const std::string& folder, std::span<const CatalogRow> rows, ToolReport& report) {
    int deleted = 0;
    Mp3Tag reader;
    ForEachFileRow(rows, report, [&](const CatalogRow& row, const std::string& name) {
        reader.LoadFile(RowFilePath(folder, row.file));
        if (!reader.DeleteTag()) return;
        ++deleted;
        report.CellsChanged(name, ChangedCells(reader));
    });
    return deleted;
}

int MassDeleteId3v2Tags(const std::string& folder, std::span<const CatalogRow> rows, ToolReport& report) {
    int deleted = 0;
    Mp3Tag reader;
    ForEachFileRow(rows, report, [&](const CatalogRow& row, const std::string& name) {
        reader.LoadFile(RowFilePath(folder, row.file));
        try {
            if (!reader.DeleteId3v2Tag()) return;
        } catch (const TagWriteRefused& e) {
            report.Failed(name, ReasonOf(e.what(), reader.Path()));
            return;
        }
        ++deleted;
        report.CellsChanged(name, ChangedCells(reader));
    });
    return deleted;
}

}  // namespace vorne
