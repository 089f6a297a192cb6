#include "ui/catalog_table_model.h"

#include "ui/field_text.h"

namespace vorne::ui {

CatalogTableModel::CatalogTableModel(Catalogue& catalogue, QObject* parent)
    : QAbstractTableModel(parent), catalogue(catalogue) {
    catalogue.SetObserver(this);
}

CatalogTableModel::~CatalogTableModel() { catalogue.SetObserver(nullptr); }

int CatalogTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : catalogue.model.RowCount();
}

int CatalogTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : catalogue.columnCount;
}

QVariant CatalogTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= catalogue.model.RowCount()) return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole: return CellText(catalogue.model.Cell(index.row(), index.column()));
        case Qt::TextAlignmentRole: return static_cast<int>(ColumnAlignment(catalogue.currentType, index.column()));
        case DuplicateRole: return catalogue.model.IsDuplicate(index.row());
        default: return {};
    }
}

QVariant CatalogTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    const auto& columns = Kind(catalogue.currentType).columns;
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(columns.size())) return {};
    if (role == Qt::DisplayRole) return QString::fromLatin1(columns[static_cast<std::size_t>(section)].title);
    if (role == Qt::TextAlignmentRole) return static_cast<int>(ColumnAlignment(catalogue.currentType, section));
    return {};
}

void CatalogTableModel::RowsAboutToBeReset() { beginResetModel(); }
void CatalogTableModel::RowsReset() { endResetModel(); }

void CatalogTableModel::RowsAboutToBeInserted(int first, int count) { beginInsertRows({}, first, first + count - 1); }
void CatalogTableModel::RowsInserted(int, int) { endInsertRows(); }

void CatalogTableModel::RowsAboutToBeRemoved(int row) { beginRemoveRows({}, row, row); }
void CatalogTableModel::RowRemoved(int) { endRemoveRows(); }

void CatalogTableModel::RowsAboutToBeReordered() { emit layoutAboutToBeChanged(); }
void CatalogTableModel::RowsReordered() { emit layoutChanged(); }

void CatalogTableModel::StatusChanged(int part) { emit statusTextChanged(part); }
void CatalogTableModel::IdleChanged(bool idle) { emit idleStateChanged(idle); }

void CatalogTableModel::RowChanged(int row) { emit dataChanged(index(row, 0), index(row, columnCount() - 1)); }

QString CellText(std::string_view bytes) {
    QString text = DecodeField(bytes).text;
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char('.');
    }
    return text;
}

Qt::Alignment ColumnAlignment(RomType type, int column) {
    const auto& columns = Kind(type).columns;
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (column >= 0 && column < static_cast<int>(columns.size())) {
        switch (columns[static_cast<std::size_t>(column)].align) {
            case Align::Left: horizontal = Qt::AlignLeft; break;
            case Align::Right: horizontal = Qt::AlignRight; break;
            case Align::Center: horizontal = Qt::AlignHCenter; break;
        }
    }
    return horizontal | Qt::AlignVCenter;
}

}  // namespace vorne::ui
