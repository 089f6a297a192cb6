#include "ui/list_filter.h"

#include <QLabel>
#include <QLineEdit>

#include "ui/catalog_table_model.h"
#include "ui/sort_list_ctrl.h"

namespace vorne::ui {

ListFilter::ListFilter(CSortListCtrl& list, CatalogTableModel& table, QWidget* parent)
    : QObject(parent), list(list), table(table) {
    box = new QLineEdit(parent);
    box->setPlaceholderText(QStringLiteral("Filter"));
    box->setAccessibleName(QStringLiteral("Filter"));
    box->setClearButtonEnabled(true);
    count = new QLabel(parent);
    count->hide();
    connect(box, &QLineEdit::textChanged, this, [this](const QString& text) { this->list.SetFilter(text); });
    connect(&table, &CatalogTableModel::shownCountChanged, this, &ListFilter::ShowCount);
}

void ListFilter::ShowCount() {
    // Only while a filter hides rows: otherwise the entry count says it all.
    count->setVisible(table.Filtering());
    if (table.Filtering()) count->setText(ShownText(table.ShownCount(), table.TotalCount()));
}

QString ShownText(int shown, int total) { return QStringLiteral("%1 of %2 shown").arg(shown).arg(total); }

}  // namespace vorne::ui
