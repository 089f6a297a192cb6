#include "ui/row_delegate.h"

#include <QPainter>
#include <cmath>

#include "ui/catalog_table_model.h"

namespace vorne::ui {

QColor RowDelegate::RowFill(const QPalette& palette, bool selected, bool duplicate) {
    if (selected) return palette.color(QPalette::Active, QPalette::Highlight);
    if (duplicate) return kDuplicateColour;
    return palette.color(QPalette::Active, QPalette::Base);
}

namespace {

// The relative luminance of an sRGB colour.
double Luminance(const QColor& colour) {
    const auto linear = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor RowDelegate::RowTextColour(const QPalette& palette, bool selected, bool duplicate) {
    if (selected) return palette.color(QPalette::Active, QPalette::HighlightedText);
    const QColor text = palette.color(QPalette::Active, QPalette::Text);
    if (!duplicate) return text;
    // A dark palette's text is light, and light on yellow cannot be read; its base is dark.
    for (const QColor& candidate : {text, palette.color(QPalette::Active, QPalette::Base)}) {
        if (ContrastRatio(candidate, kDuplicateColour) >= kReadableContrast) return candidate;
    }
    return QColor(Qt::black);
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
        painter->setPen(RowTextColour(option.palette, selected, duplicate));
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
