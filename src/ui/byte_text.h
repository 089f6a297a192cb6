// File names as Qt text and back. The core holds file names, and the messages that carry them, as
// bytes in the file system's encoding.
#pragma once

#include <QFile>
#include <QString>
#include <string>
#include <string_view>

namespace vorne::ui {

inline QString FromBytes(std::string_view bytes) {
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

inline std::string ToBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace vorne::ui
