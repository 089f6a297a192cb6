#include "tools/list_file.h"

#include <algorithm>
#include <numeric>

#include "catalogue/catalog_model.h"
#include "platform/rewrite.h"
#include "tags/tag_read.h"

namespace vorne {

namespace {

std::vector<int> AllRows(const CatalogModel& model) {
    std::vector<int> rows(static_cast<std::size_t>(model.RowCount()));
    std::iota(rows.begin(), rows.end(), 0);
    return rows;
}

// Appends `text` without its line feeds, at most `limit` characters of it; returns how many it
// appended. A cell in UTF-8 (an ID3v2 tag's text) counts characters and is never cut inside one;
// any other (ASCII, an ID3v1 tag's ISO-8859-1 bytes) counts bytes.
std::size_t AppendCut(std::string& out, std::string_view text, std::size_t limit) {
    const bool utf8 = IsUtf8(text);
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 1;
        while (utf8 && i + length < text.size() && (static_cast<unsigned char>(text[i + length]) & 0xC0) == 0x80) ++length;
        if (text[i] != '\n') {
            if (count == limit) break;
            out.append(text.substr(i, length));
            ++count;
        }
        i += length;
    }
    return count;
}

// Appends the line of a row of `count` columns, `cell(i)` giving the text of column i.
template <typename CellAt>
void AppendLine(std::string& line, int count, CellAt cell, std::span<const int> widths) {
    for (int i = 0; i + 1 < count; ++i) {
        const int pixels = static_cast<std::size_t>(i) < widths.size() ? widths[static_cast<std::size_t>(i)] : 0;
        const auto n = static_cast<std::size_t>(std::max(pixels, 0) / kPixelsPerListCharacter);
        line.append(n - AppendCut(line, cell(i), n), ' ');
        line += '\t';
    }
    if (count > 0) AppendCut(line, cell(count - 1), std::string::npos);
    line += "\r\n";
}

}  // namespace

std::string ListFileLine(std::span<const std::string> cells, std::span<const int> widths) {
    std::string line;
    AppendLine(line, static_cast<int>(cells.size()), [&](int i) { return std::string_view(cells[static_cast<std::size_t>(i)]); }, widths);
    return line;
}

std::string ListFileText(const CatalogModel& model, std::span<const int> rows, std::span<const int> widths) {
    std::string text;
    for (const int row : rows) {
        AppendLine(text, model.ColumnCount(), [&](int column) { return model.Cell(row, column); }, widths);
    }
    return text;
}

std::string ListFileText(const CatalogModel& model, std::span<const int> widths) {
    return ListFileText(model, AllRows(model), widths);
}

void SaveListFile(const std::string& path, const CatalogModel& model, std::span<const int> rows, std::span<const int> widths) {
    const std::string text = ListFileText(model, rows, widths);
    WriteFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void SaveListFile(const std::string& path, const CatalogModel& model, std::span<const int> widths) {
    SaveListFile(path, model, AllRows(model), widths);
}

}  // namespace vorne
