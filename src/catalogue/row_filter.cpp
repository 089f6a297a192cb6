#include "catalogue/row_filter.h"

#include <array>

namespace vorne {

namespace {

constexpr std::array<unsigned char, 256> kLower = [] {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) table[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return table;
}();

unsigned char Lower(char c) { return kLower[static_cast<unsigned char>(c)]; }

}  // namespace

RowFilter::RowFilter(std::string_view text) {
    folded.reserve(text.size());
    for (char c : text) folded.push_back(static_cast<char>(Lower(c)));
}

bool RowFilter::Contains(std::string_view cell) const {
    const std::size_t n = folded.size();
    if (n == 0) return true;
    if (cell.size() < n) return false;
    const unsigned char first = static_cast<unsigned char>(folded[0]);
    const char* text = cell.data();
    const std::size_t last = cell.size() - n;  // the last place the text can start
    for (std::size_t i = 0; i <= last; ++i) {
        if (Lower(text[i]) != first) continue;
        std::size_t k = 1;
        while (k < n && Lower(text[i + k]) == static_cast<unsigned char>(folded[k])) ++k;
        if (k == n) return true;
    }
    return false;
}

bool RowFilter::Matches(const CatalogRow& row) const {
    if (Empty()) return true;
    for (const std::string& cell : row.cells) {
        if (Contains(cell)) return true;
    }
    return false;
}

bool RowFilter::Narrows(const RowFilter& wider) const { return folded.find(wider.folded) != std::string::npos; }

std::vector<int> MatchingRows(const CatalogModel& model, const RowFilter& filter) {
    std::vector<int> rows;
    for (int r = 0; r < model.RowCount(); ++r) {
        if (filter.Matches(model.Row(r))) rows.push_back(r);
    }
    return rows;
}

std::vector<int> MatchingRows(const CatalogModel& model, const RowFilter& filter, const std::vector<int>& candidates) {
    std::vector<int> rows;
    for (int r : candidates) {
        if (r >= 0 && r < model.RowCount() && filter.Matches(model.Row(r))) rows.push_back(r);
    }
    return rows;
}

}  // namespace vorne
