#include "ui/file_manager.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMimeData>

#include "ui/byte_path.h"
#include "ui/byte_text.h"

namespace vorne::ui {

void OpenInFileManager(const std::string& folder) { QDesktopServices::openUrl(FileUrl(folder)); }

void CopyPathToClipboard(const std::string& path) {
    auto* data = new QMimeData;
    data->setText(FromBytes(path));
    data->setData(QStringLiteral("text/uri-list"), FileUrl(path).toEncoded() + "\r\n");
    QGuiApplication::clipboard()->setMimeData(data);  // the clipboard owns it
}

}  // namespace vorne::ui
