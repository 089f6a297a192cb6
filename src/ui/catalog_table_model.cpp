#include "ui/catalog_table_model.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "ui/field_text.h"

namespace vorne::ui {

CatalogTableModel::CatalogTableModel(Catalogue& catalogue, QObject* parent)
    : QAbstractTableModel(parent), catalogue(catalogue) {
    catalogue.SetObserver(this);
}

CatalogTableModel::~CatalogTableModel() { catalogue.SetObserver(nullptr); }

int CatalogTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return filtering ? static_cast<int>(shown.size()) : catalogue.Model().RowCount();
}

int CatalogTableModel::CatalogueRow(int row) const {
    if (row < 0 || row >= rowCount()) return -1;
    return filtering ? shown[static_cast<std::size_t>(row)] : row;
}

int CatalogTableModel::ModelRow(int catalogueRow) const {
    if (catalogueRow < 0 || catalogueRow >= catalogue.Model().RowCount()) return -1;
    if (!filtering) return catalogueRow;
    auto it = std::lower_bound(shown.begin(), shown.end(), catalogueRow);
    return it != shown.end() && *it == catalogueRow ? static_cast<int>(it - shown.begin()) : -1;
}

int CatalogTableModel::NearestModelRow(int catalogueRow) const {
    const int count = rowCount();
    if (count == 0) return -1;
    if (!filtering) return std::clamp(catalogueRow, 0, count - 1);
    auto it = std::lower_bound(shown.begin(), shown.end(), catalogueRow);
    return it == shown.end() ? count - 1 : static_cast<int>(it - shown.begin());
}

void CatalogTableModel::SetFilter(const QString& text) {
    RowFilter next(text.toUtf8().toStdString());
    beginResetModel();
    const CatalogModel& rows = catalogue.Model();
    if (next.Empty()) {
        shown.clear();
        filtering = false;
    } else {
        // Typing one more letter narrows: only the rows shown so far can still match.
        shown = filtering && next.Narrows(filter) ? MatchingRows(rows, next, shown) : MatchingRows(rows, next);
        filtering = true;
    }
    filter = std::move(next);
    endResetModel();
    emit shownCountChanged();
}

int CatalogTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : catalogue.ColumnCount();
}

QVariant CatalogTableModel::data(const QModelIndex& index, int role) const {
    const int row = index.isValid() ? CatalogueRow(index.row()) : -1;
    if (row < 0) return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole: return CellText(catalogue.Model().Cell(row, index.column()));
        case Qt::TextAlignmentRole: return static_cast<int>(ColumnAlignment(catalogue, index.column()));
        case DuplicateRole: return catalogue.Model().IsDuplicate(row);
        default: return {};
    }
}

QVariant CatalogTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    const ColumnInfo* column = catalogue.ColumnAt(section);
    if (orientation != Qt::Horizontal || column == nullptr) return {};
    if (role == Qt::DisplayRole) return QString::fromLatin1(column->title);
    if (role == Qt::TextAlignmentRole) return static_cast<int>(ColumnAlignment(catalogue, section));
    return {};
}

void CatalogTableModel::RowsAboutToBeReset() { beginResetModel(); }

void CatalogTableModel::RowsReset() {
    if (filtering) shown = MatchingRows(catalogue.Model(), filter);
    endResetModel();
    emit shownCountChanged();
}

void CatalogTableModel::RowsAboutToBeInserted(int first, int count) {
    // The rows are not there yet, so a filter cannot tell which of them it shows: RowsInserted.
    if (!filtering) beginInsertRows({}, first, first + count - 1);
}

void CatalogTableModel::RowsInserted(int first, int count) {
    if (!filtering) {
        endInsertRows();
        emit shownCountChanged();
        return;
    }
    auto at = std::lower_bound(shown.begin(), shown.end(), first);
    for (auto it = at; it != shown.end(); ++it) *it += count;
    std::vector<int> matching;
    const CatalogModel& rows = catalogue.Model();
    for (int r = first; r < first + count; ++r) {
        if (filter.Matches(rows.Row(r))) matching.push_back(r);
    }
    if (!matching.empty()) {
        const int place = static_cast<int>(at - shown.begin());
        beginInsertRows({}, place, place + static_cast<int>(matching.size()) - 1);
        shown.insert(shown.begin() + place, matching.begin(), matching.end());
        endInsertRows();
    }
    emit shownCountChanged();
}

void CatalogTableModel::RowsAboutToBeRemoved(int row) {
    removing = ModelRow(row);
    if (removing >= 0) beginRemoveRows({}, removing, removing);
}

void CatalogTableModel::RowRemoved(int row) {
    if (filtering) {
        if (removing >= 0) shown.erase(shown.begin() + removing);
        for (auto it = std::upper_bound(shown.begin(), shown.end(), row); it != shown.end(); ++it) --*it;
    }
    if (removing >= 0) endRemoveRows();
    removing = -1;
    emit shownCountChanged();
}

void CatalogTableModel::RowsAboutToBeReordered() {
    emit layoutAboutToBeChanged();
    const CatalogModel& rows = catalogue.Model();
    movingIndexes = persistentIndexList();
    movingSerials.clear();
    for (const QModelIndex& index : movingIndexes) movingSerials.push_back(rows.Row(CatalogueRow(index.row())).serial);
    // A sort or an edit keeps the rows a filter shows, wherever they go: an edited row that no
    // longer matches stays until the filter changes, so the selection can follow it (and one that
    // now matches is judged again by RowChanged).
    shownSerials.clear();
    for (int r : shown) shownSerials.push_back(rows.Row(r).serial);
}

void CatalogTableModel::RowsReordered() {
    const CatalogModel& rows = catalogue.Model();
    if (filtering) {
        const std::unordered_set<std::uint64_t> keep(shownSerials.begin(), shownSerials.end());
        shown.clear();
        for (int r = 0; r < rows.RowCount(); ++r) {
            if (keep.count(rows.Row(r).serial) != 0) shown.push_back(r);
        }
        shownSerials.clear();
    }
    if (!movingIndexes.isEmpty()) {
        std::unordered_map<std::uint64_t, int> placeOf;
        for (std::uint64_t serial : movingSerials) placeOf.emplace(serial, -1);
        for (int r = 0; r < rows.RowCount(); ++r) {
            auto found = placeOf.find(rows.Row(r).serial);
            if (found != placeOf.end()) found->second = r;
        }
        QModelIndexList moved;
        for (qsizetype i = 0; i < movingIndexes.size(); ++i) {
            const int row = ModelRow(placeOf[movingSerials[static_cast<std::size_t>(i)]]);
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

void CatalogTableModel::RowChanged(int row) {
    const int shownRow = ModelRow(row);
    if (shownRow >= 0) {
        // A row shown stays until the filter changes, so that the selection can follow it.
        emit dataChanged(index(shownRow, 0), index(shownRow, columnCount() - 1));
        return;
    }
    // A hidden row whose texts now match is shown at once: typing on narrows from the rows shown.
    if (!filtering || !filter.Matches(catalogue.Model().Row(row))) return;
    const auto at = std::lower_bound(shown.begin(), shown.end(), row);
    const int place = static_cast<int>(at - shown.begin());
    beginInsertRows({}, place, place);
    shown.insert(at, row);
    endInsertRows();
    emit shownCountChanged();
}

QString CellText(std::string_view bytes) {
    QString text = DecodeField(bytes).text;
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char('.');
    }
    return text;
}

Qt::Alignment ColumnAlignment(const Catalogue& catalogue, int column) {
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (const ColumnInfo* info = catalogue.ColumnAt(column)) {
        switch (info->align) {
            case Align::Left: horizontal = Qt::AlignLeft; break;
            case Align::Right: horizontal = Qt::AlignRight; break;
            case Align::Center: horizontal = Qt::AlignHCenter; break;
        }
    }
    return horizontal | Qt::AlignVCenter;
}

}  // namespace vorne::ui
