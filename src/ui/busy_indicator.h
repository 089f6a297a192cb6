// What the status bar shows while a scan or a tool runs: a progress bar (files done of the files to
// do for a tool; for a scan, which cannot know its end, a moving bar and the files found so far)
// and a Cancel button beside it, which stops the work as Escape does. Hidden while the window is
// idle.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vorne::ui {

class BusyIndicator final : public QWidget {
    Q_OBJECT

public:
    explicit BusyIndicator(QWidget* parent = nullptr);

    enum class Work { None, Scan, Tool };

    // Shows a scan that has found `found` files so far.
    void ShowScan(int found);
    // Shows a tool that has done `done` of `total` files (total 0: not known yet).
    void ShowTool(int done, int total);
    void ShowIdle();
    Work Shows() const { return work; }

    QProgressBar* Bar() const { return bar; }
    QLabel* Count() const { return count; }
    QPushButton* CancelButton() const { return cancel; }

signals:
    void cancelled();

private:
    QProgressBar* bar;
    QLabel* count;
    QPushButton* cancel;
    Work work = Work::None;
};

}  // namespace vorne::ui
