#include "tools/checksum_fixer.h"

#include "catalogue/status_parts.h"
#include "formats/reader_factory.h"
#include "tools/tool_rows.h"

namespace vorne {

std::vector<FixedChecksums> FixRowChecksums(const std::string& folder, std::span<const CatalogRow> rows, RomType type,
                                            ToolReport& report) {
    std::vector<FixedChecksums> fixed;
    if (!HasChecksums(type)) return fixed;
    const std::unique_ptr<RomHeader> reader = CreateReader(type, nullptr);
    ForEachFileRowNamingMembers(rows, report, [&](const CatalogRow& row, const std::string& filename) {
        report.Status(kStatusFile, filename);
        const std::string path = RowFilePath(folder, row.file);
        FixedChecksums file{filename, {}};
        const bool done = DoRow(report, filename, path, [&] {
            reader->LoadFile(path);
            for (const ChecksumValue& sum : FixChecksums(*reader)) {
                if (!sum.Right()) file.changed.push_back(sum);
            }
        });
        if (done && !file.changed.empty()) fixed.push_back(std::move(file));
    });
    return fixed;
}

std::string FixedChecksumsText(std::span<const FixedChecksums> fixed) {
    if (fixed.empty()) return "No checksum needed fixing.";
    std::string text;
    for (const FixedChecksums& file : fixed) {
        if (!text.empty()) text += '\n';
        text += file.path + ":";
        for (std::size_t i = 0; i < file.changed.size(); ++i) {
            const ChecksumValue& sum = file.changed[i];
            text += (i == 0 ? " " : ", ") + std::string(sum.name) + " " + ChecksumText(sum.stored, sum.digits) + " -> " +
                    ChecksumText(sum.computed, sum.digits);
        }
    }
    return text;
}

}  // namespace vorne
