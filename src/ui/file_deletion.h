// Deleting the files a catalogue row stands for: the archive for an archive member, and for a
// name ending in "1" the whole split set (game.1, game.2, game.3, ... while they exist). An
// archive holds more than the member the user pointed at, so the window asks before it goes.
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/row_file.h"

namespace vorne::ui {

struct DeletionResult {
    bool deleted = true;
    QString failedPath;  // the file that could not be deleted
    QString reason;      // the platform's message for it
    bool noTrash = false;  // it could not go to the trash, as it has none: it may be deleted for good instead
    std::vector<std::string> left;  // the failed file and those after it, which were not tried
};

// The files that go with the row that lists `file`, under `folder`: its file (for a member, the
// archive), or the parts of a split set that exist (none when its first part is gone).
std::vector<std::string> RowDeletionFiles(const std::string& folder, const RowFile& file);

// Deletes `files` in order; to the trash when `toTrash`. Stops at the first file that cannot be
// deleted (the files deleted before it stay deleted).
DeletionResult DeleteFiles(const std::vector<std::string>& files, bool toTrash);

// How many files (folders left out) the archive at `path` holds; nothing when it cannot be listed.
std::optional<int> ArchiveFileCount(const std::string& path);

// The question asked before the archive `archive` (as the list names it) goes with its `count` files.
QString WholeArchiveQuestion(const std::string& archive, int count);

// The question asked before `count` files are deleted for good (not moved to the trash).
QString ForGoodQuestion(int count);

// The "Deletion Error" message for a failed deletion.
QString DeletionErrorText(const DeletionResult& result);

}  // namespace vorne::ui
