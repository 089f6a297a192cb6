#include "ui_test_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace vorne::ui::test {

bool WaitFor(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

std::optional<QString> FakePrompts::Next(std::deque<QString>& answers) {
    if (answers.empty()) return std::nullopt;
    const QString answer = answers.front();
    answers.pop_front();
    if (answer.isEmpty()) return std::nullopt;
    return answer;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace vorne::ui::test
