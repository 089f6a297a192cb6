#include "ui/app_icon.h"

namespace vorne::ui {

QIcon AppIcon() {
    static const QIcon icon(QStringLiteral(":/vorne/vorne.svg"));
    return icon;
}

}  // namespace vorne::ui
