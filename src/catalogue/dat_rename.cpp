#include "catalogue/dat_rename.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "platform/file.h"

namespace vorne {

namespace {

// Renames without ever replacing: in one step where the file system can (RENAME_NOREPLACE),
// else by a second link, which fails when the name is taken, and the old name's removal.
// Returns 0 or the errno of the failure.
int RenameNoReplace(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    if (link(from.c_str(), to.c_str()) != 0) return errno;
    if (unlink(from.c_str()) != 0) {
        const int error = errno;
        unlink(to.c_str());  // the file keeps its old name alone
        return error;
    }
    return 0;
}

std::string Beside(const std::string& path, const std::string& name) {
    const auto slash = path.find_last_of(kPathSeparator);
    return slash == std::string::npos ? name : path.substr(0, slash + 1) + name;
}

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of(kPathSeparator);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool IsSafeFileName(std::string_view name) {
    if (name.empty() || name == "." || name.find("..") != std::string_view::npos) return false;
    for (unsigned char c : name) {
        if (c == '/' || c == '\\' || c < 0x20 || c == 0x7F) return false;
    }
    return true;
}

DatRenameResult RenameToDatNames(const std::string& folder, const CatalogModel& model, const DatSet& dat,
                                 std::span<const int> rows, bool dryRun) {
    DatRenameResult result;
    std::set<std::string> taken;  // new names given in this run (a dry run renames nothing)
    for (int r : rows) {
        if (r < 0 || r >= model.RowCount()) continue;
        const CatalogRow& row = model.Row(r);
        if (row.dat.verdict != DatVerdict::Match) continue;
        if (row.file.IsMember()) {
            result.leftAlone.push_back({FilenameText(row.file), "an archive member is never renamed"});
            continue;
        }
        const std::string& name = dat.file.roms[row.dat.rom].name;
        if (!IsSafeFileName(name)) {
            result.leftAlone.push_back({row.file.path, "the DAT's name \"" + name + "\" is not a plain file name"});
            continue;
        }
        if (BaseName(row.file.path) == name) continue;  // named so already
        const std::string to = Beside(row.file.path, name);
        const std::string fullTo = PathInFolder(folder, to);
        struct stat info;
        if (taken.count(fullTo) || lstat(fullTo.c_str(), &info) == 0) {
            result.leftAlone.push_back({row.file.path, to + " exists already"});
            continue;
        }
        if (!dryRun) {
            if (const int error = RenameNoReplace(PathInFolder(folder, row.file.path), fullTo); error != 0) {
                if (error == EEXIST) {
                    result.leftAlone.push_back({row.file.path, to + " exists already"});
                } else {
                    result.leftAlone.push_back({row.file.path, std::strerror(error), true});
                }
                continue;
            }
        }
        taken.insert(fullTo);
        result.renamed.push_back({row.file.path, to});
    }
    return result;
}

}  // namespace vorne
