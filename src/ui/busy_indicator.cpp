#include "ui/busy_indicator.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace vorne::ui {

BusyIndicator::BusyIndicator(QWidget* parent)
    : QWidget(parent), bar(new QProgressBar(this)), count(new QLabel(this)), cancel(new QPushButton(QStringLiteral("Cancel"), this)) {
    bar->setTextVisible(false);  // the count beside it says it in words
    bar->setFixedWidth(120);
    bar->setAccessibleName(QStringLiteral("Progress"));
    cancel->setAutoDefault(false);
    cancel->setFocusPolicy(Qt::NoFocus);  // the list keeps the keyboard; Escape does the same
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(count);
    row->addWidget(bar);
    row->addWidget(cancel);
    connect(cancel, &QPushButton::clicked, this, &BusyIndicator::cancelled);
    hide();
}

void BusyIndicator::ShowIdle() {
    work = Work::None;
    hide();
}

void BusyIndicator::ShowScan(int found) {
    work = Work::Scan;
    bar->setRange(0, 0);  // no end known: the bar moves to and fro
    count->setText(QStringLiteral("%1 %2 found").arg(found).arg(found == 1 ? QStringLiteral("file") : QStringLiteral("files")));
    show();
}

void BusyIndicator::ShowTool(int done, int total) {
    work = Work::Tool;
    bar->setRange(0, total);
    bar->setValue(done);
    count->setText(total > 0 ? QStringLiteral("%1 of %2 files").arg(done).arg(total) : QString());
    show();
}

}  // namespace vorne::ui
