#include "tools/n64_conversion.h"

#include <sys/stat.h>

#include <array>

#include "base/rom_header.h"
#include "base/text_rules.h"
#include "catalogue/catalogue.h"
#include "catalogue/status_parts.h"
#include "platform/file.h"
#include "platform/file_error.h"
#include "platform/rewrite.h"
#include "tools/tool_rows.h"

namespace vorne {

namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20;  // a multiple of four: words stay whole

}  // namespace

N64ByteOrder N64ByteOrderOfName(std::string_view name) {
    for (N64ByteOrder order : {N64ByteOrder::BigEndian, N64ByteOrder::ByteSwapped, N64ByteOrder::LittleEndian}) {
        if (EqualsIgnoringCase(name, N64ByteOrderName(order))) return order;
    }
    return N64ByteOrder::Unknown;
}

std::string WithExtension(const std::string& path, std::string_view extension) {
    const std::size_t slash = path.rfind(kPathSeparator);
    const std::size_t dot = path.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (hasExtension ? path.substr(0, dot) : path) + "." + std::string(extension);
}

std::string ConvertN64File(const std::string& path, N64ByteOrder order) {
    const File source = File::OpenRead(path);
    std::array<std::uint8_t, 4> first{};
    source.ReadAt(0, first);
    const N64ByteOrder from = DetectN64ByteOrder(first);
    if (from == N64ByteOrder::Unknown) {
        throw OperationRefused(path + ": its first word is of none of the byte orders z64, v64 and n64; left as it is");
    }
    const std::string_view name = N64ByteOrderName(order);
    if (from == order) throw OperationRefused(path + ": it is " + std::string(name) + " already; left as it is");
    const std::string output = WithExtension(path, name);
    // A file of that name may be another dump: it is never replaced.
    struct stat existing;
    if (::lstat(output.c_str(), &existing) == 0) {
        throw OperationRefused(path + ": " + output + " exists already; both are left as they are");
    }
    WriteNewFile(
        output,
        [&](RewriteOutput& out) {
            std::vector<std::uint8_t> buffer(kChunk);
            std::int64_t at = 0;
            while (std::size_t got = source.ReadAt(at, buffer)) {
                const auto piece = std::span(buffer).first(got);
                ToBigEndian(piece, from);
                FromBigEndian(piece, order);
                out.Write(piece);
                at += static_cast<std::int64_t>(got);
            }
        },
        PermissionBitsOf(source));
    return output;
}

std::vector<std::string> ConvertN64Files(const std::string& folder, std::span<const CatalogRow> rows, N64ByteOrder order,
                                         int entryCount, ToolReport& report) {
    report.Status(kStatusEntries, "Converting...");
    std::vector<std::string> outputs;
    ForEachFileRowNamingMembers(rows, report, [&](const CatalogRow& row, const std::string& filename) {
        report.Status(kStatusFile, filename);
        const std::string path = RowFilePath(folder, row.file);
        if (!DoRow(report, filename, path, [&] { ConvertN64File(path, order); })) return;
        ++entryCount;  // the new file
        outputs.push_back(WithExtension(filename, N64ByteOrderName(order)));
    });
    report.Status(kStatusEntries, RomCountText(entryCount));
    return outputs;
}

}  // namespace vorne
