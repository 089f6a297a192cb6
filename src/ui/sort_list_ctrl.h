// The catalogue list: a report view over CatalogTableModel. A left click on a column header sorts
// by that column (the same column again reverses) in the column's own order, and the header's
// arrow always shows the order the rows are in; the selection (Qt's own, kept by the view) and
// the yellow duplicate marks travel with their rows. Rows are highlighted across the whole width,
// also while the list has no focus; several rows can be selected. Columns can be dragged into
// another order and hidden from the header's context menu. Row numbers given and taken are the
// catalogue's, whatever the filter hides.
#pragma once

#include <QTableView>
#include <memory>
#include <vector>

class QMenu;

#include "ui/catalog_table_model.h"

namespace vorne::ui {

class CSortListCtrl final : public QTableView {
    Q_OBJECT

public:
    explicit CSortListCtrl(QWidget* parent = nullptr);

    void SetCatalogModel(CatalogTableModel* model);

    // A header click: left button only; a new column sorts ascending, the same column reverses.
    void OnHeaderClick(int column, Qt::MouseButton button);

    // The selected rows, top to bottom. The selection follows its rows through sorts and moves.
    std::vector<int> SelectedRows() const;

    // Selects and focuses one row alone, and scrolls it into view.
    void SelectOnly(int row);
    // The first row that is both focused and selected, or -1.
    int FocusedSelectedRow() const;

    // Gives each column of the current kind its width, its place and shows it.
    void ApplyKindColumns();
    // The columns' display widths in the pixels the kinds' column tables use (the list draws them
    // wider with a larger font), 0 for a hidden one: what a list file's field widths come from.
    std::vector<int> NominalColumnWidths() const;

    // The header as saved by QHeaderView::saveState (order, widths, hidden columns); its arrow
    // still shows the rows' order.
    void RestoreHeader(const QByteArray& state);

    // Shows only the rows that contain `text` (see CatalogTableModel::SetFilter); the selected
    // rows that stay shown stay selected, and so does the current row.
    void SetFilter(const QString& text);

    // The header's context menu: one checkable item per column; the last column shown cannot be
    // hidden.
    std::unique_ptr<QMenu> ColumnMenu();

    // Drawn in the empty list while the kind has no folder.
    static QString NoFolderText() { return QStringLiteral("Choose a folder with Select Folder"); }

signals:
    // A header click sorted the list: by `column`, ascending or not.
    void sortChosen(int column, bool ascending);
    // Enter in the list, or a left double-click on a row: once per key press or click.
    void launchRequested();
    // The Delete key in the list.
    void deleteRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Fills the strip right of the last column in each row's colour, so that the highlight and
    // the yellow of a row reach the right edge; draws the row's focus frame across it.
    void PaintBeyondLastColumn(QPainter& painter, const QRect& area);

    // Keeps the column widths through a new scan, which resets the rows; a new kind brings its own.
    void RememberWidths();
    void RestoreWidths();
    // Sets the header's arrow to the order the catalogue's rows are in; none when unsorted.
    void ShowSortOrder();
    void PaintNoFolder(QPainter& painter);

    CatalogTableModel* table = nullptr;
    std::vector<int> widths;            // of the columns before a reset
    RomType widthsKind = RomType::Nes;  // the kind they belong to
    Qt::MouseButton headerButton = Qt::NoButton;  // the button pressed last on the header
};

// How much wider than their nominal pixel widths the columns are drawn in the list's font.
double ColumnWidthScale(const QFontMetrics& metrics);

}  // namespace vorne::ui
