// Handing a path to the desktop: a folder opened in the file manager, a path put on the
// clipboard. Paths are bytes up to the desktop: the URL carries every byte of a name that is not
// UTF-8; never through a shell.
#pragma once

#include <string>

namespace vorne::ui {

// Opens `folder` with the desktop's file manager (QDesktopServices).
void OpenInFileManager(const std::string& folder);

// Puts `path` on the clipboard: as text (what a text box takes) and as a file URL (what a file
// manager takes, every byte kept).
void CopyPathToClipboard(const std::string& path);

}  // namespace vorne::ui
