#include "tools/list_file.h"

#include <algorithm>
#include <numeric>

#include "catalogue/catalog_model.h"
#include "platform/rewrite.h"

namespace vorne {

namespace {

std::vector<int> AllRows(const CatalogModel& model) {
    std::vector<int> rows(static_cast<std::size_t>(model.RowCount()));
    std::iota(rows.begin(), rows.end(), 0);
    return rows;
}

// `text` without its line feeds.
void AppendWithoutLineFeeds(std::string& out, std::string_view text, std::size_t limit) {
    for (char c : text) {
        if (limit == 0) return;
        if (c == '\n') continue;
        out += c;
        --limit;
    }
}

// Appends the line of a row of `count` columns, `cell(i)` giving the text of column i.
template <typename CellAt>
void AppendLine(std::string& line, int count, CellAt cell, std::span<const int> widths) {
    for (int i = 0; i + 1 < count; ++i) {
        const int pixels = static_cast<std::size_t>(i) < widths.size() ? widths[static_cast<std::size_t>(i)] : 0;
        const auto n = static_cast<std::size_t>(std::max(pixels, 0) / kPixelsPerListCharacter);
        const std::size_t start = line.size();
        AppendWithoutLineFeeds(line, cell(i), n);
        line.append(n - (line.size() - start), ' ');
        line += '\t';
    }
    if (count > 0) AppendWithoutLineFeeds(line, cell(count - 1), std::string::npos);
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
