// A new file that appears whole or not at all: it is written in full in its folder, then put in
// place under its final name by a rename.
#pragma once

#include <string>
#include <sys/types.h>

#include "platform/file.h"

namespace vorne {

class TemporaryFile {
public:
    enum class Naming {
        // No name at all until it is put in place (O_TMPFILE), so a process killed meanwhile
        // leaves nothing behind. Where the file system cannot do that, it falls back to Named.
        Unnamed,
        // A short name of its own, ".vorne-" and six random characters, removed again on failure.
        Named,
    };

    // Creates the file in the open folder `dirFd` with `mode`, which the umask trims as it trims
    // every new file's. `displayPath` names the final file in errors. Throws FileError.
    static TemporaryFile Create(int dirFd, const std::string& displayPath, mode_t mode, Naming naming = Naming::Unnamed);

    // A file that was never put in place goes away with the object.
    ~TemporaryFile();
    TemporaryFile(TemporaryFile&& other) noexcept;
    TemporaryFile& operator=(TemporaryFile&&) = delete;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    File& Output() { return file; }
    // Whether the file was made without a name (to be asked before it is put in place).
    bool IsUnnamed() const { return tempName.empty(); }

    // Puts the finished file in place as `name` of the folder, replacing what that name holds
    // in one step. The caller has written and synced it. Throws FileError.
    void PlaceAs(const std::string& name);
    // Puts the finished file in place as `name` only when the folder holds nothing of that name,
    // in one step. Throws FileError (EEXIST when the name is taken).
    void PlaceAsNew(const std::string& name);

private:
    // `file` names the final file in errors.
    TemporaryFile(int dirFd, File file, std::string tempName)
        : dirFd(dirFd), file(std::move(file)), tempName(std::move(tempName)) {}

    int dirFd;
    File file;
    std::string tempName;  // the short name it has in the folder; empty when unnamed or in place
};

}  // namespace vorne
