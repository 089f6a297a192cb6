// The application's icon, drawn from the SVG built into the program.
#pragma once

#include <QIcon>

namespace vorne::ui {

QIcon AppIcon();

}  // namespace vorne::ui
