// The catalogue as rows of cell texts, with the duplicate groups and the sort order.
//
// One thread owns a model; the scan worker never touches it but sends requests (scan.h). The
// desktop list is a view over it. Each row knows the file it lists; every group entry follows its
// row through sorts, moves and deletions.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/rom_type.h"
#include "catalogue/row_file.h"
#include "dat/dat_match.h"

namespace vorne {

// The hashes of a row's data (see dat/data_hasher.h), when the scan computed them.
struct RowHashes {
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::optional<Sha1Digest> sha1;
    bool operator==(const RowHashes&) const = default;
};

// One listed file: the texts of its columns, in column order, and the file itself.
struct CatalogRow {
    std::vector<std::string> cells;
    RowFile file;
    std::optional<RowHashes> hashes;
    DatMatch dat;  // what the scan's DAT says of the file
    // Given by the model when the row goes in, unique within it: a view finds its rows again by
    // it after they were sorted or moved.
    std::uint64_t serial = 0;
};

// The row indices that duplicate each other; the first member is the topmost row when formed.
using DuplicateGroup = std::vector<int>;

class CatalogModel {
public:
    // Removes all rows and groups and takes a kind's columns, each sorting as its table says (the
    // sort state stays).
    void Reset(std::span<const ColumnInfo> columns);

    int RowCount() const { return static_cast<int>(rows.size()); }
    int ColumnCount() const { return columnCount; }
    const CatalogRow& Row(int row) const { return rows[static_cast<std::size_t>(row)]; }
    // The text of a cell; the empty text for a column the row does not have.
    std::string_view Cell(int row, int column) const;
    void SetCell(int row, int column, std::string text);
    // After the row's file was rewritten: its hashes and the DAT's verdict no longer hold.
    void ForgetHashes(int row);

    // Inserts a row at `index` (0 to RowCount()), with a serial of its own; rows and group entries
    // from there move down.
    void InsertRow(int index, CatalogRow row);
    // Deletes one row. The caller follows with RemoveDuplicate and ShiftDuplicatesAfterDelete.
    void DeleteRow(int row);
    void DeleteAllRows();

    // Sorting: each column in its own order (CompareCells); rows whose texts are equal are never
    // exchanged. Does nothing for a column outside the columns.
    void SortByColumn(int column);
    void SortBy(int column, bool ascending);
    bool SortRange(int column, bool ascending, int low, int high);
    // A click on a column header: a new column sorts ascending, the same column again reverses.
    void HeaderClicked(int column);
    // The column the rows were sorted by last, or -1 when they were not sorted since they came.
    int SortColumn() const { return sortColumn; }
    bool SortAscending() const { return sortAscending; }

    // Moves a row whose texts just changed to its place in the current order; returns its new
    // index, or -1 when `row` is past the last row.
    int RepositionRow(int row);

    // Duplicate groups.
    bool AddDuplicate(int row, int partner);
    bool RemoveDuplicate(int row);
    bool IsDuplicate(int row) const;
    void ShiftDuplicatesAfterDelete(int deletedRow);
    void ClearDuplicates();
    const std::vector<DuplicateGroup>& DuplicateGroups() const { return duplicateGroups; }

private:
    void SwapRows(int a, int b);
    int Compare(std::string_view a, std::string_view b, int column) const;
    // Rebuilds groupOf from duplicateGroups after indices changed wholesale.
    void RebuildGroupIndex();

    std::vector<CatalogRow> rows;
    std::uint64_t lastSerial = 0;
    int columnCount = 0;
    std::vector<SortAs> columnOrder;  // per column; a column past its end sorts as text
    std::vector<DuplicateGroup> duplicateGroups;
    // For each row, the index of the group that holds it, or -1: IsDuplicate without a search.
    std::vector<int> groupOf;
    int sortColumn = -1;
    bool sortAscending = true;
};

}  // namespace vorne
