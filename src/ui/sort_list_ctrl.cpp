#include "ui/sort_list_ctrl.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "ui/row_delegate.h"

namespace vorne::ui {

CSortListCtrl::CSortListCtrl(QWidget* parent) : QTableView(parent) {
    setItemDelegate(new RowDelegate(this));
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setShowGrid(false);
    setWordWrap(false);
    setSortingEnabled(false);  // the catalogue sorts itself, byte by byte
    setEditTriggers(NoEditTriggers);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(ScrollPerPixel);
    // The selection stays visible in the highlight colour while another control has the focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight, colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);

    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 4);
    rows->setMinimumSectionSize(1);

    QHeaderView* columns = horizontalHeader();
    columns->setSectionsClickable(true);
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setSectionsMovable(true);
    columns->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(columns, &QHeaderView::customContextMenuRequested, this,
            [this](const QPoint& at) { ColumnMenu()->exec(horizontalHeader()->mapToGlobal(at)); });
    columns->viewport()->installEventFilter(this);
    connect(columns, &QHeaderView::sectionClicked, this, [this](int column) { OnHeaderClick(column, headerButton); });
}

void CSortListCtrl::SetCatalogModel(CatalogTableModel* model) {
    table = model;
    setModel(model);
    // A sort (by a header click or by the duplicate finder) moves rows: the selection follows.
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &CSortListCtrl::RememberWidths);
    connect(model, &QAbstractItemModel::modelReset, this, &CSortListCtrl::RestoreWidths);
    connect(model, &QAbstractItemModel::modelReset, this, &CSortListCtrl::ShowSortOrder);
    connect(model, &QAbstractItemModel::layoutChanged, this, &CSortListCtrl::ShowSortOrder);
    ApplyKindColumns();
    ShowSortOrder();
}

void CSortListCtrl::RememberWidths() {
    widths.clear();
    widthsKind = table->GetCatalogue().Type();
    for (int c = 0; c < horizontalHeader()->count(); ++c) widths.push_back(columnWidth(c));
}

void CSortListCtrl::RestoreWidths() {
    const Catalogue& catalogue = table->GetCatalogue();
    if (catalogue.Type() != widthsKind) {
        ApplyKindColumns();
        return;
    }
    // The same kind: its columns keep their widths; a DAT's columns that came take their own.
    const double scale = ColumnWidthScale(fontMetrics());
    for (int c = 0; c < model()->columnCount(); ++c) {
        const ColumnInfo* column = catalogue.ColumnAt(c);
        if (static_cast<std::size_t>(c) < widths.size()) {
            setColumnWidth(c, widths[static_cast<std::size_t>(c)]);
        } else if (column != nullptr) {
            setColumnWidth(c, static_cast<int>(column->width * scale + 0.5));
        }
    }
}

void CSortListCtrl::ApplyKindColumns() {
    if (table == nullptr) return;
    const Catalogue& catalogue = table->GetCatalogue();
    const double scale = ColumnWidthScale(fontMetrics());
    QHeaderView* header = horizontalHeader();
    for (int column = 0; const ColumnInfo* info = catalogue.ColumnAt(column); ++column) {
        setColumnWidth(column, static_cast<int>(info->width * scale + 0.5));
        // Another kind's order and hidden columns do not carry over.
        if (header->visualIndex(column) != column) header->moveSection(header->visualIndex(column), column);
        setColumnHidden(column, false);
    }
}

void CSortListCtrl::RestoreHeader(const QByteArray& state) {
    horizontalHeader()->restoreState(state);
    ShowSortOrder();
}

void CSortListCtrl::ShowSortOrder() {
    if (table == nullptr) return;
    const CatalogModel& rows = table->GetCatalogue().Model();
    QHeaderView* header = horizontalHeader();
    const bool sorted = rows.SortColumn() >= 0 && rows.SortColumn() < rows.ColumnCount();
    header->setSortIndicatorShown(sorted);
    // Section -1 clears the arrow, so that a header state restored later cannot show a stale one.
    header->setSortIndicator(sorted ? rows.SortColumn() : -1,
                             rows.SortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

std::unique_ptr<QMenu> CSortListCtrl::ColumnMenu() {
    auto menu = std::make_unique<QMenu>(this);
    QHeaderView* header = horizontalHeader();
    int shownColumns = 0;
    for (int c = 0; c < header->count(); ++c) shownColumns += isColumnHidden(c) ? 0 : 1;
    // In the order the columns stand.
    for (int v = 0; v < header->count(); ++v) {
        const int column = header->logicalIndex(v);
        QAction* item = menu->addAction(model()->headerData(column, Qt::Horizontal).toString());
        item->setCheckable(true);
        item->setChecked(!isColumnHidden(column));
        item->setEnabled(isColumnHidden(column) || shownColumns > 1);
        connect(item, &QAction::toggled, this, [this, column](bool on) { setColumnHidden(column, !on); });
    }
    return menu;
}

void CSortListCtrl::SetFilter(const QString& text) {
    if (table == nullptr) return;
    const CatalogModel& rows = table->GetCatalogue().Model();
    std::unordered_set<std::uint64_t> selected;
    for (int r : SelectedRows()) selected.insert(rows.Row(r).serial);
    const int currentRow = table->CatalogueRow(currentIndex().row());
    const std::uint64_t current = currentRow >= 0 ? rows.Row(currentRow).serial : 0;
    const int column = std::max(0, currentIndex().column());
    table->SetFilter(text);
    QItemSelection keep;
    QModelIndex newCurrent;
    const int last = table->columnCount() - 1;
    for (int r = 0; r < table->rowCount(); ++r) {
        const std::uint64_t serial = rows.Row(table->CatalogueRow(r)).serial;
        if (serial == current) newCurrent = table->index(r, column);
        if (selected.count(serial) == 0) continue;
        // Neighbouring rows in one range: a list of 100,000 selected rows stays one range.
        if (!keep.isEmpty() && keep.last().bottom() == r - 1) {
            keep.last() = QItemSelectionRange(keep.last().topLeft(), table->index(r, last));
        } else {
            keep.select(table->index(r, 0), table->index(r, last));
        }
    }
    if (newCurrent.isValid()) selectionModel()->setCurrentIndex(newCurrent, QItemSelectionModel::NoUpdate);
    selectionModel()->select(keep, QItemSelectionModel::ClearAndSelect);
}

std::vector<int> CSortListCtrl::NominalColumnWidths() const {
    const double scale = ColumnWidthScale(fontMetrics());
    std::vector<int> nominal;
    for (int c = 0; c < horizontalHeader()->count(); ++c) {
        nominal.push_back(isColumnHidden(c) ? 0 : static_cast<int>(std::lround(columnWidth(c) / scale)));
    }
    return nominal;
}

double ColumnWidthScale(const QFontMetrics& metrics) {
    // The widths were chosen for a small dialog font whose digits are about 6 pixels wide, so
    // that sizes and checksums fit their columns; a larger font widens every column alike, a
    // smaller one never narrows them.
    constexpr double kDesignDigitWidth = 6.0;
    return std::max(1.0, metrics.horizontalAdvance(QLatin1Char('0')) / kDesignDigitWidth);
}

bool CSortListCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == horizontalHeader()->viewport() && event->type() == QEvent::MouseButtonPress) {
        headerButton = static_cast<QMouseEvent*>(event)->button();
    }
    return QTableView::eventFilter(watched, event);
}

void CSortListCtrl::OnHeaderClick(int column, Qt::MouseButton button) {
    if (table == nullptr) return;
    Catalogue& catalogue = table->GetCatalogue();
    if (button == Qt::LeftButton) catalogue.HeaderClicked(column);
    // The header turns its arrow on a click of any button by itself; it shows the rows' order.
    ShowSortOrder();
    if (button == Qt::LeftButton && catalogue.Model().SortColumn() == column) {
        emit sortChosen(column, catalogue.Model().SortAscending());
    }
}

std::vector<int> CSortListCtrl::SelectedRows() const {
    std::vector<int> rows;
    if (selectionModel() == nullptr) return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(table->CatalogueRow(index.row()));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CSortListCtrl::SelectOnly(int row) {
    if (table == nullptr || row < 0 || row >= table->TotalCount()) return;
    // A row the filter hides gives way to the next one shown.
    const int shownRow = table->ModelRow(row) >= 0 ? table->ModelRow(row) : table->NearestModelRow(row);
    if (shownRow < 0) return;
    const QModelIndex index = model()->index(shownRow, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

int CSortListCtrl::FocusedSelectedRow() const {
    if (selectionModel() == nullptr) return -1;
    const QModelIndex current = selectionModel()->currentIndex();
    if (!current.isValid() || !selectionModel()->isRowSelected(current.row(), {})) return -1;
    return table->CatalogueRow(current.row());
}

void CSortListCtrl::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!event->isAutoRepeat()) emit launchRequested();
            event->accept();
            return;
        case Qt::Key_Delete:
            emit deleteRequested();
            event->accept();
            return;
        default: QTableView::keyPressEvent(event);
    }
}

void CSortListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid()) {
        emit launchRequested();
        event->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void CSortListCtrl::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    QPainter painter(viewport());
    PaintBeyondLastColumn(painter, event->rect());
    PaintNoFolder(painter);
}

void CSortListCtrl::PaintNoFolder(QPainter& painter) {
    if (table == nullptr || table->TotalCount() > 0 || !table->GetCatalogue().Folder().empty()) return;
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(viewport()->rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, NoFolderText());
}

void CSortListCtrl::PaintBeyondLastColumn(QPainter& painter, const QRect& area) {
    if (table == nullptr || model()->rowCount() == 0) return;
    const int rowsRight = horizontalHeader()->length() - horizontalOffset();
    const int top = std::max(0, rowAt(area.top()));
    int bottom = rowAt(area.bottom());
    if (bottom < 0) bottom = model()->rowCount() - 1;
    const CatalogModel& rows = table->GetCatalogue().Model();
    const int current = selectionModel()->currentIndex().row();
    for (int r = top; r <= bottom; ++r) {
        const QRect band(0, rowViewportPosition(r), viewport()->width(), rowHeight(r));
        const bool selected = selectionModel()->isRowSelected(r, {});
        if (rowsRight < band.right()) {
            painter.fillRect(QRect(QPoint(rowsRight, band.top()), band.bottomRight()),
                             RowDelegate::RowFill(palette(), selected, rows.IsDuplicate(table->CatalogueRow(r))));
        }
        if (r == current && hasFocus()) {
            QStyleOptionFocusRect frame;
            frame.initFrom(this);
            // Some styles (Fusion) draw the frame only after a key moved the focus; the current
            // row shows it after a click as well.
            frame.state |= QStyle::State_KeyboardFocusChange;
            frame.rect = band.adjusted(0, 0, -1, -1);
            frame.backgroundColor = RowDelegate::RowFill(palette(), selected, rows.IsDuplicate(table->CatalogueRow(r)));
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
        }
    }
}

}  // namespace vorne::ui
