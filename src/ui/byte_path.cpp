#include "ui/byte_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <cerrno>
#include <vector>

namespace vorne::ui {

QUrl FileUrl(const std::string& path) {
    const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
    return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"), QUrl::StrictMode);
}

std::optional<std::string> LocalPath(const QUrl& url) {
    // Another machine's file (file://host/...) is not here to be read.
    if (!url.isLocalFile() || !(url.host().isEmpty() || url.host() == QStringLiteral("localhost"))) return std::nullopt;
    // The encoded path keeps each byte as the URL gave it; the decoded one would not.
    const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

bool IsFolder(const std::string& path) {
    struct stat info{};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string AbsolutePath(const std::string& path) {
    std::string whole = path;
    if (!path.starts_with('/')) {
        std::vector<char> here(4096);
        while (::getcwd(here.data(), here.size()) == nullptr && errno == ERANGE) here.resize(here.size() * 2);
        whole = std::string(here.data()) + '/' + path;
    }
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= whole.size()) {
        std::size_t end = whole.find('/', start);
        if (end == std::string::npos) end = whole.size();
        const std::string part = whole.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string clean;
    for (const std::string& part : parts) clean += '/' + part;
    return clean.empty() ? "/" : clean;
}

std::string ParentFolder(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace vorne::ui
