// The catalogue as a Qt table model: a thin adapter that shows the rows of the core's CatalogModel
// and turns the catalogue's change notices into the model signals views expect (one insert per
// batch of rows, a reset for a new scan or kind, a layout change for a sort).
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "catalogue/catalogue.h"

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

signals:
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
    // The rows of the views' persistent indexes (the selection, the current row) while the rows
    // are reordered, by serial, so that they follow their rows.
    QModelIndexList movingIndexes;
    std::vector<std::uint64_t> movingSerials;
};

// A cell's bytes as text to show: UTF-8 when they are, otherwise Latin-1 (header fields and old
// tags); control bytes, which headers full of garbage hold, are shown as dots.
QString CellText(std::string_view bytes);

// The text alignment of a column of the kind.
Qt::Alignment ColumnAlignment(RomType type, int column);

}  // namespace vorne::ui
