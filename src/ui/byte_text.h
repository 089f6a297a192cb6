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

// The bytes `text` stands for: `bytes` while the text is what they show (a name that is not UTF-8
// shows in a box or a label with U+FFFD in its odd bytes), the text's own bytes once the user
// changed it.
inline std::string BytesOf(const QString& text, const std::string& bytes) {
    return !bytes.empty() && FromBytes(bytes) == text ? bytes : ToBytes(text);
}

}  // namespace vorne::ui
