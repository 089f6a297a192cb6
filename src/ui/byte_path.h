// Paths as bytes on their way to and from Qt: file URLs for the desktop and for drops, and the
// folder tests and path cleaning Qt would do on a QString. A name that is not UTF-8 (a folder
// copied from an old disc) does not survive QString: QFile::decodeName turns its odd bytes into
// U+FFFD for good, so these work on the bytes themselves.
#pragma once

#include <QUrl>
#include <optional>
#include <string>

namespace vorne::ui {

// The file:// URL of `path`, every byte kept (percent-encoded).
QUrl FileUrl(const std::string& path);
// The path a file:// URL names on this machine, as bytes; nothing for any other URL.
std::optional<std::string> LocalPath(const QUrl& url);

// Whether `path` is a folder (or a link to one).
bool IsFolder(const std::string& path);

// `path` made absolute (against the working folder) and clean, as QDir::cleanPath makes it: no
// "." or ".." parts, no doubled or trailing "/".
std::string AbsolutePath(const std::string& path);

// The folder that holds `path` ("/" for a path right under it).
std::string ParentFolder(const std::string& path);

}  // namespace vorne::ui
