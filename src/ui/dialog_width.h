// Keeps a dialog wide enough to show its whole title in the title bar, beside the window
// manager's buttons, whenever the title or the font changes.
#pragma once

class QWidget;

namespace vorne::ui {

void KeepTitleVisible(QWidget& dialog);

// The width a window needs for `widget`'s title: the text in a bold font (as most title bars
// draw it) and room for the icon and three buttons; at most the screen's width.
int TitleWidth(const QWidget& widget);

}  // namespace vorne::ui
