#include "catalogue/row_file.h"

#include "platform/file.h"

namespace vorne {

std::string PathInFolder(const std::string& folder, const std::string& path) {
    if (folder.empty() || (!path.empty() && path.front() == kPathSeparator)) return path;
    std::string joined = folder;
    if (joined.back() != kPathSeparator) joined += kPathSeparator;
    joined += path;
    return joined;
}

std::string FilenameText(const RowFile& file) {
    return file.member ? file.path + " <" + file.member->name + ">" : file.path;
}

}  // namespace vorne
