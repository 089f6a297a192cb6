// Renaming listed files to the names the DAT gives their ROMs, each in its own folder. Never
// over an existing file, never to a name that would leave the folder or hide in it (a path
// separator, "..", a control character), never an archive member.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "catalogue/catalog_model.h"
#include "dat/dat_set.h"

namespace vorne {

struct DatRenameResult {
    struct Renamed {
        std::string from;  // paths as the rows name them
        std::string to;
    };
    struct LeftAlone {
        std::string path;
        std::string reason;
        bool failed = false;  // the rename was tried and the system refused it (not a name we refused)
    };
    std::vector<Renamed> renamed;
    std::vector<LeftAlone> leftAlone;
};

// Whether `name` may be a file's new name: a plain name of its folder.
bool IsSafeFileName(std::string_view name);

// Renames the files of `rows` of `model` (rows the DAT matched; others are passed over) inside
// `folder`. With `dryRun` nothing is renamed; the result says what would be.
DatRenameResult RenameToDatNames(const std::string& folder, const CatalogModel& model, const DatSet& dat,
                                 std::span<const int> rows, bool dryRun);

}  // namespace vorne
