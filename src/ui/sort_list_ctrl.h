// The catalogue list: a report view over CatalogTableModel. A left click on a column header sorts
// by that column (the same column again reverses), with the catalogue's own byte-wise order; the
// selection (Qt's own, kept by the view) and the yellow duplicate marks travel with their rows. Rows are highlighted across
// the whole width, also while the list has no focus; several rows can be selected.
#pragma once

#include <QTableView>
#include <vector>

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

    // Gives each column of the current kind its width.
    void ApplyKindColumns();
    // The columns' display widths in the pixels the kinds' column tables use (the list draws them
    // wider with a larger font), 0 for a hidden one: what a list file's field widths come from.
    std::vector<int> NominalColumnWidths() const;

signals:
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

    CatalogTableModel* table = nullptr;
    std::vector<int> widths;            // of the columns before a reset
    RomType widthsKind = RomType::Nes;  // the kind they belong to
    Qt::MouseButton headerButton = Qt::NoButton;  // the button pressed last on the header
};

// How much wider than their nominal pixel widths the columns are drawn in the list's font.
double ColumnWidthScale(const QFontMetrics& metrics);

}  // namespace vorne::ui
