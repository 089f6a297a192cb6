#include "ui/sort_list_ctrl.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <algorithm>
#include <cmath>

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
    columns->viewport()->installEventFilter(this);
    connect(columns, &QHeaderView::sectionClicked, this, [this](int column) { OnHeaderClick(column, headerButton); });
}

void CSortListCtrl::SetCatalogModel(CatalogTableModel* model) {
    table = model;
    setModel(model);
    // A sort (by a header click or by the duplicate finder) moves rows: the selection follows.
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &CSortListCtrl::RememberWidths);
    connect(model, &QAbstractItemModel::modelReset, this, &CSortListCtrl::RestoreWidths);
    ApplyKindColumns();
}

void CSortListCtrl::RememberWidths() {
    widths.clear();
    widthsKind = table->GetCatalogue().Type();
    for (int c = 0; c < horizontalHeader()->count(); ++c) widths.push_back(columnWidth(c));
}

void CSortListCtrl::RestoreWidths() {
    const RomType kind = table->GetCatalogue().Type();
    if (kind != widthsKind || static_cast<int>(widths.size()) != model()->columnCount()) {
        ApplyKindColumns();
        return;
    }
    for (std::size_t c = 0; c < widths.size(); ++c) setColumnWidth(static_cast<int>(c), widths[c]);
}

void CSortListCtrl::ApplyKindColumns() {
    if (table == nullptr) return;
    const auto& columns = Kind(table->GetCatalogue().Type()).columns;
    const double scale = ColumnWidthScale(fontMetrics());
    for (std::size_t c = 0; c < columns.size(); ++c) {
        setColumnWidth(static_cast<int>(c), static_cast<int>(columns[c].width * scale + 0.5));
    }
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
    if (button != Qt::LeftButton || table == nullptr) return;
    Catalogue& catalogue = table->GetCatalogue();
    catalogue.HeaderClicked(column);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(catalogue.Model().SortColumn(),
                                         catalogue.Model().SortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

std::vector<int> CSortListCtrl::SelectedRows() const {
    std::vector<int> rows;
    if (selectionModel() == nullptr) return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CSortListCtrl::SelectOnly(int row) {
    if (model() == nullptr || row < 0 || row >= model()->rowCount()) return;
    const QModelIndex index = model()->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

int CSortListCtrl::FocusedSelectedRow() const {
    if (selectionModel() == nullptr) return -1;
    const QModelIndex current = selectionModel()->currentIndex();
    if (!current.isValid() || !selectionModel()->isRowSelected(current.row(), {})) return -1;
    return current.row();
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
                             RowDelegate::RowFill(palette(), selected, rows.IsDuplicate(r)));
        }
        if (r == current && hasFocus()) {
            QStyleOptionFocusRect frame;
            frame.initFrom(this);
            // Some styles (Fusion) draw the frame only after a key moved the focus; the current
            // row shows it after a click as well.
            frame.state |= QStyle::State_KeyboardFocusChange;
            frame.rect = band.adjusted(0, 0, -1, -1);
            frame.backgroundColor = RowDelegate::RowFill(palette(), selected, rows.IsDuplicate(r));
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
        }
    }
}

}  // namespace vorne::ui
