#include "ui/file_deletion.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QDir>
#include <QFile>

#include "archive/zip_walk.h"
#include "platform/file.h"
#include "platform/file_error.h"
#include "platform/trash.h"
#include "ui/byte_text.h"

namespace vorne::ui {

namespace {

// The entry itself, even a link whose target is gone. Names stay bytes up to the system call: a
// name that is not UTF-8 would not survive a trip through QString.
bool Exists(const std::string& path) {
    struct stat info{};
    return ::lstat(path.c_str(), &info) == 0;
}

bool DeleteOne(const std::string& path, bool toTrash, DeletionResult& result) {
    if (toTrash) {
        // The desktop's trash only: Qt's own would make one under the current folder instead.
        try {
            MoveToTrash(path);
            return true;
        } catch (const NoTrashError& e) {
            result = {false, FromBytes(path), QString::fromStdString(e.Message()), true, {}};
        } catch (const FileError& e) {
            result = {false, FromBytes(path), QString::fromStdString(e.Message()), false, {}};
        }
        return false;
    }
    if (::unlink(path.c_str()) == 0) return true;
    result = {false, FromBytes(path), QString::fromLocal8Bit(std::strerror(errno)), false, {}};
    return false;
}

QString Files(int count) { return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? QStringLiteral("file") : QStringLiteral("files")); }

}  // namespace

std::vector<std::string> RowDeletionFiles(const std::string& folder, const RowFile& file) {
    const std::string path = RowFilePath(folder, file);
    if (!path.ends_with('1')) return {path};
    // A split set: the later parts are named after the first one without its extension.
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    const std::string stem = dot != std::string::npos && dot > slash ? path.substr(0, dot) : path;
    std::vector<std::string> parts;
    for (std::string part = path; Exists(part); part = stem + '.' + std::to_string(parts.size() + 1)) parts.push_back(part);
    return parts;
}

DeletionResult DeleteFiles(const std::vector<std::string>& files, bool toTrash) {
    DeletionResult result;
    for (auto file = files.begin(); file != files.end(); ++file) {
        if (!DeleteOne(*file, toTrash, result)) {
            result.left.assign(file, files.end());
            break;
        }
    }
    return result;
}

std::optional<int> ArchiveFileCount(const std::string& path) {
    try {
        int files = 0;
        for (const ZipMemberInfo& member : ListZipMembers(File::OpenRead(path)).members) {
            if (!member.name.ends_with('/')) ++files;
        }
        return files;
    } catch (const FileError&) {
        return std::nullopt;
    }
}

QString WholeArchiveQuestion(const std::string& archive, int count) {
    return QStringLiteral("%1 holds %2. Delete the whole archive?").arg(FromBytes(archive), Files(count));
}

QString ForGoodQuestion(int count) { return QStringLiteral("Delete %1 for good?").arg(Files(count)); }

QString DeletionErrorText(const DeletionResult& result) {
    return QStringLiteral("Could not delete ") + QDir::toNativeSeparators(result.failedPath) +
           QStringLiteral(".\nCheck to ensure that the file is not read-only.") +
           (result.reason.isEmpty() ? QString() : QStringLiteral("\n\n") + result.reason);
}

}  // namespace vorne::ui
