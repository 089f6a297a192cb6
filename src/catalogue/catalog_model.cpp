#include "catalogue/catalog_model.h"

#include <algorithm>
#include <utility>

#include "catalogue/cell_order.h"

namespace vorne {

void CatalogModel::Reset(std::span<const ColumnInfo> columns) {
    rows.clear();
    duplicateGroups.clear();
    groupOf.clear();
    columnCount = static_cast<int>(columns.size());
    columnOrder.clear();
    for (const ColumnInfo& column : columns) columnOrder.push_back(column.sortAs);
}

int CatalogModel::Compare(std::string_view a, std::string_view b, int column) const {
    const bool number = column >= 0 && static_cast<std::size_t>(column) < columnOrder.size() &&
                        columnOrder[static_cast<std::size_t>(column)] == SortAs::Number;
    return CompareCells(a, b, number ? SortAs::Number : SortAs::Text);
}

std::string_view CatalogModel::Cell(int row, int column) const {
    const auto& cells = rows[static_cast<std::size_t>(row)].cells;
    if (column < 0 || static_cast<std::size_t>(column) >= cells.size()) return {};
    return cells[static_cast<std::size_t>(column)];
}

void CatalogModel::ForgetHashes(int row) {
    CatalogRow& r = rows[static_cast<std::size_t>(row)];
    r.hashes.reset();
    r.dat = {};
}

void CatalogModel::SetCell(int row, int column, std::string text) {
    auto& cells = rows[static_cast<std::size_t>(row)].cells;
    if (column < 0) return;
    if (static_cast<std::size_t>(column) >= cells.size()) cells.resize(static_cast<std::size_t>(column) + 1);
    cells[static_cast<std::size_t>(column)] = std::move(text);
}

void CatalogModel::InsertRow(int index, CatalogRow row) {
    index = std::clamp(index, 0, RowCount());
    row.serial = ++lastSerial;
    rows.insert(rows.begin() + index, std::move(row));
    groupOf.insert(groupOf.begin() + index, -1);
    if (duplicateGroups.empty()) return;
    for (auto& group : duplicateGroups) {
        for (int& member : group) {
            if (member >= index) ++member;
        }
    }
}

void CatalogModel::DeleteRow(int row) {
    if (row < 0 || row >= RowCount()) return;
    rows.erase(rows.begin() + row);
    // The group entry of the deleted row stays until RemoveDuplicate, as callers expect; only
    // the per-row index shrinks with the rows.
    groupOf.erase(groupOf.begin() + row);
}

void CatalogModel::DeleteAllRows() {
    rows.clear();
    groupOf.clear();
}

// ---- sorting ----

void CatalogModel::SortByColumn(int column) {
    // A column outside the list would leave a sort column that names nothing.
    if (column < 0 || column >= columnCount) return;
    sortColumn = column;
    SortRange(column, sortAscending, 0, -1);
}

void CatalogModel::SortBy(int column, bool ascending) {
    if (column < 0 || column >= columnCount) return;
    sortAscending = ascending;
    SortByColumn(column);
}

void CatalogModel::HeaderClicked(int column) {
    if (column < 0 || column >= columnCount) return;
    sortAscending = column == sortColumn ? !sortAscending : true;
    SortByColumn(column);
}

bool CatalogModel::SortRange(int column, bool ascending, int low, int high) {
    if (column < 0 || column >= columnCount) return false;
    if (high == -1) high = RowCount() - 1;
    // A quicksort whose partition never exchanges rows with equal texts. The smaller part is
    // sorted by recursion and the larger by the loop, so the depth stays logarithmic; the two
    // parts are disjoint, so the order in which they are sorted does not change the result.
    while (true) {
        int lo = low;
        int hi = high;
        if (hi <= lo) return false;
        const std::string pivot(Cell((lo + hi) / 2, column));
        auto before = [&](int row) {  // the row sorts before the pivot
            int c = Compare(Cell(row, column), pivot, column);
            return ascending ? c < 0 : c > 0;
        };
        auto after = [&](int row) {
            int c = Compare(Cell(row, column), pivot, column);
            return ascending ? c > 0 : c < 0;
        };
        while (lo <= hi) {
            while (lo < high && before(lo)) ++lo;
            while (hi > low && after(hi)) --hi;
            if (lo <= hi) {
                if (Cell(lo, column) != Cell(hi, column)) SwapRows(lo, hi);
                ++lo;
                --hi;
            }
        }
        bool left = low < hi;
        bool right = lo < high;
        if (left && right) {
            if (hi - low < high - lo) {
                SortRange(column, ascending, low, hi);
                low = lo;
            } else {
                SortRange(column, ascending, lo, high);
                high = hi;
            }
        } else if (left) {
            high = hi;
        } else if (right) {
            low = lo;
        } else {
            return true;
        }
    }
}

void CatalogModel::SwapRows(int a, int b) {
    std::swap(rows[static_cast<std::size_t>(a)], rows[static_cast<std::size_t>(b)]);
    int groupA = groupOf[static_cast<std::size_t>(a)];
    int groupB = groupOf[static_cast<std::size_t>(b)];
    if (groupA < 0 && groupB < 0) return;
    // Group entries follow their rows: a becomes b and b becomes a.
    auto renumber = [](DuplicateGroup& group, int from, int to) {
        auto it = std::find(group.begin(), group.end(), from);
        if (it != group.end()) *it = to;
    };
    if (groupA >= 0 && groupA == groupB) {
        auto& group = duplicateGroups[static_cast<std::size_t>(groupA)];
        auto ia = std::find(group.begin(), group.end(), a);
        auto ib = std::find(group.begin(), group.end(), b);
        if (ia != group.end() && ib != group.end()) std::iter_swap(ia, ib);
        return;
    }
    if (groupA >= 0) renumber(duplicateGroups[static_cast<std::size_t>(groupA)], a, b);
    if (groupB >= 0) renumber(duplicateGroups[static_cast<std::size_t>(groupB)], b, a);
    std::swap(groupOf[static_cast<std::size_t>(a)], groupOf[static_cast<std::size_t>(b)]);
}

int CatalogModel::RepositionRow(int row) {
    if (row < 0 || row > RowCount() - 1) return -1;
    const int column = sortColumn;
    const std::string text(Cell(row, column));
    int target = RowCount() - 1;
    for (int p = 0; p < RowCount(); ++p) {
        if (p == row) continue;
        int c = Compare(Cell(p, column), text, column);
        if (sortAscending ? c >= 0 : c <= 0) {
            target = p > row ? p - 1 : p;
            break;
        }
    }
    if (target == row) return row;
    CatalogRow moving = std::move(rows[static_cast<std::size_t>(row)]);
    int movingGroup = groupOf[static_cast<std::size_t>(row)];
    rows.erase(rows.begin() + row);
    groupOf.erase(groupOf.begin() + row);
    rows.insert(rows.begin() + target, std::move(moving));
    groupOf.insert(groupOf.begin() + target, movingGroup);
    for (auto& group : duplicateGroups) {
        for (int& f : group) {
            if (f == row) f = target;
            else if (row < f && f <= target) --f;
            else if (target <= f && f < row) ++f;
        }
    }
    return target;
}

// ---- duplicate groups ----

bool CatalogModel::AddDuplicate(int row, int partner) {
    if (IsDuplicate(row)) return false;
    int group = partner >= 0 && partner < static_cast<int>(groupOf.size()) ? groupOf[static_cast<std::size_t>(partner)] : -1;
    if (group >= 0) {
        duplicateGroups[static_cast<std::size_t>(group)].push_back(row);
    } else {
        duplicateGroups.push_back({partner, row});
        group = static_cast<int>(duplicateGroups.size()) - 1;
        if (partner >= 0 && partner < static_cast<int>(groupOf.size())) groupOf[static_cast<std::size_t>(partner)] = group;
    }
    if (row >= 0 && row < static_cast<int>(groupOf.size())) groupOf[static_cast<std::size_t>(row)] = group;
    return true;
}

bool CatalogModel::RemoveDuplicate(int row) {
    for (std::size_t g = 0; g < duplicateGroups.size(); ++g) {
        auto& group = duplicateGroups[g];
        auto it = std::find(group.begin(), group.end(), row);
        if (it == group.end()) continue;
        group.erase(it);
        if (group.size() < 2) duplicateGroups.erase(duplicateGroups.begin() + static_cast<std::ptrdiff_t>(g));
        RebuildGroupIndex();
        return true;
    }
    return false;
}

bool CatalogModel::IsDuplicate(int row) const {
    return row >= 0 && row < static_cast<int>(groupOf.size()) && groupOf[static_cast<std::size_t>(row)] >= 0;
}

void CatalogModel::ShiftDuplicatesAfterDelete(int deletedRow) {
    for (auto& group : duplicateGroups) {
        for (int& member : group) {
            if (member > deletedRow) --member;
        }
    }
    RebuildGroupIndex();
}

void CatalogModel::ClearDuplicates() {
    duplicateGroups.clear();
    std::fill(groupOf.begin(), groupOf.end(), -1);
}

void CatalogModel::RebuildGroupIndex() {
    groupOf.assign(rows.size(), -1);
    for (std::size_t g = 0; g < duplicateGroups.size(); ++g) {
        for (int member : duplicateGroups[g]) {
            if (member >= 0 && member < static_cast<int>(groupOf.size())) groupOf[static_cast<std::size_t>(member)] = static_cast<int>(g);
        }
    }
}

}  // namespace vorne
