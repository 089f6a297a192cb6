// The catalogue as a Qt table model: a thin adapter that shows the rows of the core's CatalogModel
// and turns the catalogue's change notices into the model signals views expect (one insert per
// batch of rows, a reset for a new scan or kind, a layout change for a sort). A filter text
// leaves only the rows that contain it; the model's rows are then the catalogue's rows that are
// shown, in the catalogue's order, and every row number leaving it is turned back into the
// catalogue's.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/row_filter.h"

namespace vorne::ui {

class CatalogTableModel final : public QAbstractTableModel, private CatalogueObserver {
    Q_OBJECT

public:
    // Extra data roles the list's delegate reads.
    enum Role { DuplicateRole = Qt::UserRole + 1 };

    explicit CatalogTableModel(Catalogue& catalogue, QObject* parent = nullptr);
    ~CatalogTableModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    Catalogue& GetCatalogue() { return catalogue; }
    const Catalogue& GetCatalogue() const { return catalogue; }

    // Shows only the rows that contain `text` (any case); the empty text shows every row. The
    // model is reset: views keep their selection themselves (CSortListCtrl::SetFilter).
    void SetFilter(const QString& text);
    bool Filtering() const { return filtering; }
    // The catalogue row that model row `row` shows, and back (-1: not shown).
    int CatalogueRow(int row) const;
    int ModelRow(int catalogueRow) const;
    // The model row of the first shown catalogue row at or after `catalogueRow`, else the last
    // model row; -1 when no row is shown.
    int NearestModelRow(int catalogueRow) const;
    // How many rows are shown, and how many the catalogue holds.
    int ShownCount() const { return rowCount(); }
    int TotalCount() const { return catalogue.Model().RowCount(); }

signals:
    // The rows shown or the rows held changed in number.
    void shownCountChanged();
    void statusTextChanged(int part);
    void idleStateChanged(bool idle);

private:
    void RowsAboutToBeReset() override;
    void RowsReset() override;
    void RowsAboutToBeInserted(int first, int count) override;
    void RowsInserted(int first, int count) override;
    void RowsAboutToBeRemoved(int row) override;
    void RowRemoved(int row) override;
    void RowsAboutToBeReordered() override;
    void RowsReordered() override;
    void RowChanged(int row) override;
    void StatusChanged(int part) override;
    void IdleChanged(bool idle) override;

    Catalogue& catalogue;
    RowFilter filter{""};
    bool filtering = false;
    // While filtering: the catalogue rows shown, ascending.
    std::vector<int> shown;
    int removing = -1;  // the model row being removed, or -1 when the removed row was not shown
    // The rows of the views' persistent indexes (the selection, the current row) while the rows
    // are reordered, by serial, so that they follow their rows.
    QModelIndexList movingIndexes;
    std::vector<std::uint64_t> movingSerials;
    std::vector<std::uint64_t> shownSerials;  // of the rows a filter shows, while they are reordered
};

// A cell's bytes as text to show: UTF-8 when they are, otherwise Latin-1 (header fields and old
// tags); control bytes, which headers full of garbage hold, are shown as dots.
QString CellText(std::string_view bytes);

// The text alignment of a column of the rows (the kind's, or the DAT's).
Qt::Alignment ColumnAlignment(const Catalogue& catalogue, int column);

}  // namespace vorne::ui
