// The rows a filter text leaves in the list: those with a cell that contains the text, letters
// compared without regard to case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalog_model.h"

namespace vorne {

class RowFilter {
public:
    // `text` in the cells' encoding (UTF-8 for what a user types). Only ASCII letters are folded:
    // the cells are bytes in whatever encoding their file used, so no other byte has a case.
    explicit RowFilter(std::string_view text);

    // An empty text leaves every row.
    bool Empty() const { return folded.empty(); }
    bool Matches(const CatalogRow& row) const;
    bool Contains(std::string_view cell) const;
    // Whether every row this filter leaves is also left by `wider`: its text holds the other's, so
    // narrowing a list needs to look only at the rows already left.
    bool Narrows(const RowFilter& wider) const;

private:
    std::string folded;  // the text in lower case
};

// The indices of the rows `filter` leaves, top to bottom.
std::vector<int> MatchingRows(const CatalogModel& model, const RowFilter& filter);
// The same among `candidates` only (ascending row indices).
std::vector<int> MatchingRows(const CatalogModel& model, const RowFilter& filter, const std::vector<int>& candidates);

}  // namespace vorne
