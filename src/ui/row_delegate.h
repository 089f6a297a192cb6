// Draws one cell of the catalogue list: the row's fill (highlight for a selected row, yellow for a
// duplicate, the window colour otherwise), then the text on one line, cut with an ellipsis at its
// end and aligned as its column says. The text of a duplicate is drawn in a colour that stays
// readable on the yellow in any palette, a dark one too.
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
    // The text colour of a row: the palette's, except on the yellow of a duplicate, where the
    // palette's text colour (or else its base colour, or else black) that contrasts enough.
    static QColor RowTextColour(const QPalette& palette, bool selected, bool duplicate);
    // The space kept between a text and its cell's edges: two blanks' width.
    static int TextMargin(const QFontMetrics& metrics);
};

// The contrast ratio of two colours by the WCAG formula: 1 (the same) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);

// The least contrast ratio of text that counts as readable (WCAG AA).
inline constexpr double kReadableContrast = 4.5;

}  // namespace vorne::ui
