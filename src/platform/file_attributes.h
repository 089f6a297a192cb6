// What a file keeps through a rewrite besides its bytes: its owner and group, its mode and its
// extended attributes.
#pragma once

#include <string>
#include <sys/stat.h>

#include "platform/file.h"

namespace vorne {

// Gives `copy` the owner and group, then the mode (setuid, setgid and sticky bits included), then
// every extended attribute of `original`, whose status is `was`. The owner goes first because
// changing it clears setuid and setgid. Whatever cannot be kept is a FileError naming
// `displayPath`: a rewrite that loses any of it must not go ahead.
void KeepAttributes(const File& original, const struct stat& was, File& copy, const std::string& displayPath);

}  // namespace vorne
