#include "ui/dialog_width.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLayout>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace vorne::ui {

namespace {

// The icon and the close, maximise and minimise buttons, each about a title bar high, and a margin.
constexpr int kTitleBarButtons = 5;

class TitleWidthKeeper final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::WindowTitleChange:
            case QEvent::FontChange:
            case QEvent::LayoutRequest:
            case QEvent::Show: Fit(*static_cast<QWidget*>(watched)); break;
            default: break;
        }
        return false;
    }

private:
    static void Fit(QWidget& dialog) {
        // The layout's own minimum still counts: it would no longer apply once one is set.
        const int layoutWidth = dialog.layout() != nullptr ? dialog.layout()->totalMinimumSize().width() : 0;
        const int wanted = std::max(TitleWidth(dialog), layoutWidth);
        if (dialog.minimumWidth() != wanted) dialog.setMinimumWidth(wanted);
    }
};

}  // namespace

int TitleWidth(const QWidget& widget) {
    QFont bold = widget.font();
    bold.setBold(true);
    const int text = QFontMetrics(bold).horizontalAdvance(widget.windowTitle());
    const int buttons = kTitleBarButtons * widget.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &widget);
    const QScreen* screen = widget.screen();
    const int most = screen != nullptr ? screen->availableGeometry().width() : text + buttons;
    return std::min(text + buttons, most);
}

void KeepTitleVisible(QWidget& dialog) { dialog.installEventFilter(new TitleWidthKeeper(&dialog)); }

}  // namespace vorne::ui
