#include "ui/catalog_table_model.h"

#include <unordered_map>

#include "ui/field_text.h"

namespace vorne::ui {

CatalogTableModel::CatalogTableModel(Catalogue& catalogue, QObject* parent)
    : QAbstractTableModel(parent), catalogue(catalogue) {
    catalogue.SetObserver(this);
}

CatalogTableModel::~CatalogTableModel() { catalogue.SetObserver(nullptr); }

int CatalogTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : catalogue.Model().RowCount();
}

int CatalogTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : catalogue.ColumnCount();
}

QVariant CatalogTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= catalogue.Model().RowCount()) return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole: return CellText(catalogue.Model().Cell(index.row(), index.column()));
        case Qt::TextAlignmentRole: return static_cast<int>(ColumnAlignment(catalogue.Type(), index.column()));
        case DuplicateRole: return catalogue.Model().IsDuplicate(index.row());
        default: return {};
    }
}

QVariant CatalogTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    const auto& columns = Kind(catalogue.Type()).columns;
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(columns.size())) return {};
    if (role == Qt::DisplayRole) return QString::fromLatin1(columns[static_cast<std::size_t>(section)].title);
    if (role == Qt::TextAlignmentRole) return static_cast<int>(ColumnAlignment(catalogue.Type(), section));
    return {};
}

void CatalogTableModel::RowsAboutToBeReset() { beginResetModel(); }
void CatalogTableModel::RowsReset() { endResetModel(); }

void CatalogTableModel::RowsAboutToBeInserted(int first, int count) { beginInsertRows({}, first, first + count - 1); }
void CatalogTableModel::RowsInserted(int, int) { endInsertRows(); }

void CatalogTableModel::RowsAboutToBeRemoved(int row) { beginRemoveRows({}, row, row); }
void CatalogTableModel::RowRemoved(int) { endRemoveRows(); }

void CatalogTableModel::RowsAboutToBeReordered() {
    emit layoutAboutToBeChanged();
    movingIndexes = persistentIndexList();
    movingSerials.clear();
    for (const QModelIndex& index : movingIndexes) movingSerials.push_back(catalogue.Model().Row(index.row()).serial);
}

void CatalogTableModel::RowsReordered() {
    if (!movingIndexes.isEmpty()) {
        std::unordered_map<std::uint64_t, int> placeOf;
        for (std::uint64_t serial : movingSerials) placeOf.emplace(serial, -1);
        const CatalogModel& rows = catalogue.Model();
        for (int r = 0; r < rows.RowCount(); ++r) {
            auto found = placeOf.find(rows.Row(r).serial);
            if (found != placeOf.end()) found->second = r;
        }
        QModelIndexList moved;
        for (qsizetype i = 0; i < movingIndexes.size(); ++i) {
            const int row = placeOf[movingSerials[static_cast<std::size_t>(i)]];
            moved.push_back(row < 0 ? QModelIndex() : index(row, movingIndexes[i].column()));
        }
        changePersistentIndexList(movingIndexes, moved);
        movingIndexes.clear();
        movingSerials.clear();
    }
    emit layoutChanged();
}

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
