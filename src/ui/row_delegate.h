// Draws one cell of the catalogue list: the row's fill (highlight for a selected row, yellow for a
// duplicate, the window colour otherwise), then the text on one line, cut with an ellipsis at its
// end and aligned as its column says.
#pragma once

#include <QColor>
#include <QStyledItemDelegate>

namespace vorne::ui {

// A duplicate's background.
inline const QColor kDuplicateColour{255, 255, 0};

class RowDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The fill of a row: highlight wins over yellow. The highlight stays while the list has no
    // focus, so the selection is always visible.
    static QColor RowFill(const QPalette& palette, bool selected, bool duplicate);
    static QColor RowTextColour(const QPalette& palette, bool selected);
    // The space kept between a text and its cell's edges: two blanks' width.
    static int TextMargin(const QFontMetrics& metrics);
};

}  // namespace vorne::ui
