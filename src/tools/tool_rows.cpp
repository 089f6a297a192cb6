#include "tools/tool_rows.h"

#include "platform/file.h"

namespace vorne {

bool IsArchiveMember(std::string_view filename) { return filename.find('<') != std::string_view::npos; }

std::string RowFilePath(const std::string& folder, std::string_view filename) {
    if (folder.empty() || (!filename.empty() && filename.front() == kPathSeparator)) return std::string(filename);
    std::string path = folder;
    if (path.back() != kPathSeparator) path += kPathSeparator;
    path += filename;
    return path;
}

std::string_view ReasonOf(std::string_view message, std::string_view path) {
    if (message.size() > path.size() + 2 && message.starts_with(path) && message.substr(path.size(), 2) == ": ") {
        return message.substr(path.size() + 2);
    }
    return message;
}

}  // namespace vorne
