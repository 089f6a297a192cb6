// The filter box above the list and its count in the status bar: typing narrows the list to the
// rows that contain the text, and "N of M shown" tells how many are left.
#pragma once

#include <QObject>
#include <QString>

class QLabel;
class QLineEdit;
class QWidget;

namespace vorne::ui {

class CSortListCtrl;
class CatalogTableModel;

class ListFilter final : public QObject {
    Q_OBJECT

public:
    // The box and the count are children of `parent`; the window places them.
    ListFilter(CSortListCtrl& list, CatalogTableModel& table, QWidget* parent);

    QLineEdit* Box() const { return box; }
    QLabel* Count() const { return count; }

private:
    void ShowCount();

    CSortListCtrl& list;
    CatalogTableModel& table;
    QLineEdit* box = nullptr;
    QLabel* count = nullptr;
};

// "%d of %d shown".
QString ShownText(int shown, int total);

}  // namespace vorne::ui
