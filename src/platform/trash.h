// The desktop's trash, as file managers on Linux share it (the freedesktop.org trash): a trash
// folder holds files/ with the trashed files and info/ with one NAME.trashinfo per file, naming
// where it came from and when it went. A file on the home's volume goes to the home trash
// ($XDG_DATA_HOME/Trash, made when missing); a file on another volume goes to that volume's
// trash ($topdir/.Trash/$uid when the administrator set up .Trash, else $topdir/.Trash-$uid),
// because a file is never copied across volumes into the trash. Nowhere else.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

#include "platform/file_error.h"

namespace vorne {

// A file that has no trash it could go to: the caller may ask whether to delete it for good.
class NoTrashError : public FileError {
public:
    using FileError::FileError;
};

// What the choice of a trash depends on; the tests put in volumes of their own.
struct TrashSystem {
    std::string dataHome;  // $XDG_DATA_HOME, or ~/.local/share; empty when there is no home
    uid_t uid = 0;
    // The volume an existing path lies on.
    std::function<dev_t(const std::string& path)> volume;
    // The top folder (mount point) of the volume of the existing folder `folder`.
    std::function<std::string(const std::string& folder)> topDirectory;
};

// The trash of the user running the program, from the environment and the mounted volumes.
TrashSystem DesktopTrash();

// Moves the file (or link) `path` into its trash and returns its new path there. Throws
// NoTrashError when no trash can be used for it, FileError when the move fails; either way the
// file stays where it was.
std::string MoveToTrash(const std::string& path, const TrashSystem& system = DesktopTrash());

// `path` as the Path key of a .trashinfo file holds it: every byte but letters, digits, '/'
// and "-_.~" as %XX.
std::string TrashInfoPath(const std::string& path);

}  // namespace vorne
