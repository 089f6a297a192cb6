#include "ui/row_delegate.h"

#include <QPainter>

#include "ui/catalog_table_model.h"

namespace vorne::ui {

QColor RowDelegate::RowFill(const QPalette& palette, bool selected, bool duplicate) {
    if (selected) return palette.color(QPalette::Active, QPalette::Highlight);
    if (duplicate) return kDuplicateColour;
    return palette.color(QPalette::Active, QPalette::Base);
}

QColor RowDelegate::RowTextColour(const QPalette& palette, bool selected) {
    return palette.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text);
}

int RowDelegate::TextMargin(const QFontMetrics& metrics) { return 2 * metrics.horizontalAdvance(QLatin1Char(' ')); }

void RowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const bool duplicate = index.data(CatalogTableModel::DuplicateRole).toBool();
    painter->save();
    painter->fillRect(option.rect, RowFill(option.palette, selected, duplicate));

    const QString text = index.data(Qt::DisplayRole).toString();
    if (!text.isEmpty()) {
        const QFontMetrics metrics(option.font);
        const int margin = TextMargin(metrics);
        // The first column's text starts closer to the edge, as a report list draws its label.
        QRect area = index.column() == 0 ? option.rect.adjusted(margin / 2, 0, -margin, 0)
                                         : option.rect.adjusted(margin, 0, -margin, 0);
        const auto alignment = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
        painter->setFont(option.font);
        painter->setPen(RowTextColour(option.palette, selected));
        painter->drawText(area, static_cast<int>(alignment | Qt::TextSingleLine),
                          metrics.elidedText(text, Qt::ElideRight, std::max(0, area.width())));
    }
    painter->restore();
}

QSize RowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    // Only the height matters: rows are of one fixed height and columns keep their widths.
    const QFontMetrics metrics(option.font);
    return {metrics.horizontalAdvance(index.data().toString()) + 2 * TextMargin(metrics), metrics.height() + 4};
}

}  // namespace vorne::ui
