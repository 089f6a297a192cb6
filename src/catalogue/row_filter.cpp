#include "catalogue/row_filter.h"

#include <algorithm>
#include <array>

#include "base/case_fold.h"

namespace vorne {

namespace {

// A control character shows as a dot.
constexpr char32_t Shown(char32_t c) { return c < 0x20 || c == 0x7F ? U'.' : c; }

// Each byte below 0x80 as the list shows it, folded; the others as they are (never equal to an
// ASCII byte of the text).
constexpr std::array<unsigned char, 256> kFoldedByte = [] {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) {
        const char32_t shown = c < 0x80 ? Shown(static_cast<char32_t>(c)) : static_cast<char32_t>(c);
        table[static_cast<std::size_t>(c)] = static_cast<unsigned char>(shown >= U'A' && shown <= U'Z' ? shown + 32 : shown);
    }
    return table;
}();

unsigned char FoldedByte(char c) { return kFoldedByte[static_cast<unsigned char>(c)]; }

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The characters the list shows for a cell, folded: UTF-8 when its bytes are, otherwise Latin-1.
void FoldedCharacters(std::string_view cell, std::u32string& out) {
    out.clear();
    if (!DecodeUtf8(cell, out)) {
        for (const char byte : cell) out.push_back(static_cast<unsigned char>(byte));
    }
    for (char32_t& c : out) c = FoldCase(Shown(c));
}

}  // namespace

RowFilter::RowFilter(std::string_view text) {
    FoldedCharacters(text, folded);
    if (std::all_of(folded.begin(), folded.end(), [](char32_t c) { return c < 0x80; })) {
        asciiFolded.assign(folded.begin(), folded.end());
        foldsFromBeyondAscii = asciiFolded.find_first_of("ks") != std::string::npos;
    }
}

bool RowFilter::ContainsBytes(std::string_view cell) const {
    const std::size_t n = asciiFolded.size();
    if (cell.size() < n) return false;
    const auto first = static_cast<unsigned char>(asciiFolded[0]);
    const char* text = cell.data();
    const std::size_t last = cell.size() - n;  // the last place the text can start
    for (std::size_t i = 0; i <= last; ++i) {
        if (FoldedByte(text[i]) != first) continue;
        std::size_t k = 1;
        while (k < n && FoldedByte(text[i + k]) == static_cast<unsigned char>(asciiFolded[k])) ++k;
        if (k == n) return true;
    }
    return false;
}

bool RowFilter::ContainsCharacters(std::string_view cell) const {
    thread_local std::u32string characters;
    FoldedCharacters(cell, characters);
    return characters.find(folded) != std::u32string::npos;
}

bool RowFilter::Contains(std::string_view cell) const {
    if (folded.empty()) return true;
    if (!asciiFolded.empty()) {
        if (ContainsBytes(cell)) return true;
        return foldsFromBeyondAscii && !IsAscii(cell) && ContainsCharacters(cell);
    }
    // Characters beyond ASCII are found only among bytes beyond ASCII.
    return !IsAscii(cell) && ContainsCharacters(cell);
}

bool RowFilter::Matches(const CatalogRow& row) const {
    if (Empty()) return true;
    for (const std::string& cell : row.cells) {
        if (Contains(cell)) return true;
    }
    return false;
}

bool RowFilter::Narrows(const RowFilter& wider) const { return folded.find(wider.folded) != std::u32string::npos; }

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
