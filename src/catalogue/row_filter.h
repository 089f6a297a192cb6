// The rows a filter text leaves in the list: those with a cell that contains the text as the list
// shows it, letters compared without regard to case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalog_model.h"

namespace vorne {

class RowFilter {
public:
    // `text` as a user types it, in UTF-8.
    explicit RowFilter(std::string_view text);

    // An empty text leaves every row.
    bool Empty() const { return folded.empty(); }
    bool Matches(const CatalogRow& row) const;
    // Whether the cell shows the text. A cell shows its bytes as UTF-8 when they are, otherwise
    // as Latin-1 (one character a byte), with control characters as dots; letters of any script
    // match in either case ("é" finds "É" in both encodings).
    bool Contains(std::string_view cell) const;
    // Whether every row this filter leaves is also left by `wider`: its text holds the other's, so
    // narrowing a list needs to look only at the rows already left.
    bool Narrows(const RowFilter& wider) const;

private:
    bool ContainsBytes(std::string_view cell) const;
    bool ContainsCharacters(std::string_view cell) const;

    std::u32string folded;  // the text's characters, case folded
    // The text folded to ASCII, which is then found byte by byte: ASCII bytes stand for
    // themselves in both encodings a cell may have. Empty when the text holds more than ASCII.
    std::string asciiFolded;
    // The text may also match characters beyond ASCII that fold to its letters (the Kelvin sign
    // to "k", the long s to "s"), so a cell holding such bytes is looked at character by character.
    bool foldsFromBeyondAscii = false;
};

// The indices of the rows `filter` leaves, top to bottom.
std::vector<int> MatchingRows(const CatalogModel& model, const RowFilter& filter);
// The same among `candidates` only (ascending row indices).
std::vector<int> MatchingRows(const CatalogModel& model, const RowFilter& filter, const std::vector<int>& candidates);

}  // namespace vorne
