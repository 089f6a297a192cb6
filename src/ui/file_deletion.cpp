#include "ui/file_deletion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/trash.h"
#include "ui/byte_text.h"

namespace vorne::ui {

namespace {

// The entry itself, even a link whose target is gone.
bool Exists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool DeleteOne(const QString& path, bool toTrash, DeletionResult& result) {
    if (toTrash) {
        // The desktop's trash only: Qt's own would make one under the current folder instead.
        try {
            MoveToTrash(ToBytes(path));
            return true;
        } catch (const NoTrashError& e) {
            result = {false, path, QString::fromStdString(e.Message()), true};
        } catch (const FileError& e) {
            result = {false, path, QString::fromStdString(e.Message())};
        }
        return false;
    }
    QFile file(path);
    if (file.remove()) return true;
    result = {false, path, file.errorString()};
    return false;
}

}  // namespace

DeletionResult DeleteRowFiles(const std::string& folder, const RowFile& file, bool toTrash) {
    const std::string path = RowFilePath(folder, file);
    DeletionResult result;
    if (!path.ends_with('1')) {
        DeleteOne(FromBytes(path), toTrash, result);
        return result;
    }
    // A split set: the later parts are named after the first one without its extension.
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    const std::string stem = dot != std::string::npos && dot > slash ? path.substr(0, dot) : path;
    QString part = FromBytes(path);
    for (int number = 2; Exists(part); ++number) {
        if (!DeleteOne(part, toTrash, result)) return result;
        part = FromBytes(stem + '.' + std::to_string(number));
    }
    return result;
}

QString DeletionErrorText(const DeletionResult& result) {
    return QStringLiteral("Could not delete ") + QDir::toNativeSeparators(result.failedPath) +
           QStringLiteral(".\nCheck to ensure that the file is not read-only.") +
           (result.reason.isEmpty() ? QString() : QStringLiteral("\n\n") + result.reason);
}

}  // namespace vorne::ui
