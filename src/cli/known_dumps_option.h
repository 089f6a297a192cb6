// The known-dump list a command uses: the one --known-dumps names, or nescrcs.txt beside
// vorne-cli.
#pragma once

#include <string>

#include "cli/arguments.h"

namespace vorne::cli {

// The list's path. A list the user names must be a file that can be read, or the command fails
// with a message naming it; the default list may be missing (NES rows then have no names).
std::string KnownDumpsPath(const Arguments& args);

}  // namespace vorne::cli
