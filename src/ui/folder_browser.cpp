#include "ui/folder_browser.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QGridLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/byte_path.h"
#include "ui/byte_text.h"
#include "ui/dialog_width.h"
#include "ui/file_manager.h"

namespace vorne::ui {

CFolderTreeCtrl::CFolderTreeCtrl(QWidget* parent) : QTreeView(parent) {
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

void CFolderTreeCtrl::FillRoot(std::vector<FolderTreeModel::Root> roots) {
    FolderTreeModel* old = folders;
    folders = new FolderTreeModel(std::move(roots), this);
    setModel(folders);
    delete old;
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { OnSelChanged(current); });
    const QModelIndex first = folders->index(0, 0);
    if (!first.isValid()) return;
    expand(first);
    // The first root is selected without telling anyone: the caller's path stays as it came.
    const QSignalBlocker quiet(selectionModel());
    selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect);
}

void CFolderTreeCtrl::OnSelChanged(const QModelIndex& current) {
    if (!current.isValid()) return;
    // The children are read now, so that the next level of a path can be selected at once.
    folders->FillChildren(current);
    emit folderSelected(folders->Path(current));
}

void CFolderTreeCtrl::SelectItem(const QModelIndex& index) {
    scrollTo(index);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

QString CFolderTreeCtrl::SelectedPath() const {
    const QModelIndexList selected = selectionModel() ? selectionModel()->selectedIndexes() : QModelIndexList();
    return selected.isEmpty() ? QString() : folders->Path(selected.front());
}

std::string CFolderTreeCtrl::SelectedPathBytes() const {
    const QModelIndexList selected = selectionModel() ? selectionModel()->selectedIndexes() : QModelIndexList();
    return selected.isEmpty() ? std::string() : folders->PathBytes(selected.front());
}

bool CFolderTreeCtrl::SelectPath(const std::string& path) {
    if (folders == nullptr || path.empty()) return false;
    const std::string wanted = AbsolutePath(path);  // no trailing separator
    if (!IsFolder(wanted)) return false;
    // The root that holds the path most closely: home before "/" for a folder under home.
    QModelIndex level;
    std::size_t matched = 0;
    for (int r = 0; r < folders->rowCount(); ++r) {
        const QModelIndex root = folders->index(r, 0);
        const std::string rootPath = folders->PathBytes(root);
        const bool holds = wanted == rootPath || rootPath == "/" || wanted.starts_with(rootPath + '/');
        if (holds && (!level.isValid() || rootPath.size() > matched)) {
            level = root;
            matched = rootPath.size();
        }
    }
    if (!level.isValid()) return false;
    SelectItem(level);
    // The folders below the root, one name at a time.
    for (std::size_t start = matched; start < wanted.size();) {
        std::size_t end = wanted.find('/', start);
        if (end == std::string::npos) end = wanted.size();
        if (end == start) {
            ++start;
            continue;
        }
        const std::string below = wanted.substr(0, end);
        start = end;
        folders->FillChildren(level);
        QModelIndex found;
        for (int r = 0; r < folders->rowCount(level) && !found.isValid(); ++r) {
            const QModelIndex child = folders->index(r, 0, level);
            if (folders->PathBytes(child) == below) found = child;
        }
        if (!found.isValid()) return false;  // the selection stays at the deepest level found
        expand(level);
        SelectItem(found);
        level = found;
    }
    return true;
}

void CFolderTreeCtrl::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid()) {
        // A click beside the items clears the selection and offers nothing.
        selectionModel()->clearSelection();
        return;
    }
    SelectItem(index);
    const std::string path = folders->PathBytes(index);
    QMenu menu(this);
    menu.addAction(QStringLiteral("Open in File Manager"), this, [path] { OpenInFileManager(path); });
    menu.addAction(QStringLiteral("Copy Path"), this, [path] { CopyPathToClipboard(path); });
    menu.exec(event->globalPos());
}

QString TypedFolder(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(QStringLiteral("file://"))) return QUrl(trimmed).toLocalFile();
    if (trimmed == QStringLiteral("~")) return QDir::homePath();
    if (trimmed.startsWith(QStringLiteral("~/"))) return QDir::homePath() + trimmed.mid(1);
    return trimmed;
}

namespace {

// The folder a typed text names, as bytes; empty when it names none.
std::string TypedFolderPath(const QString& text) {
    const QString typed = TypedFolder(text);
    if (typed.isEmpty()) return {};
    const std::string folder = AbsolutePath(ToBytes(typed));
    return IsFolder(folder) ? folder : std::string();
}

}  // namespace

CFolderBrowserDialog::CFolderBrowserDialog(std::string* path, QWidget* parent, std::vector<FolderTreeModel::Root> roots)
    : QDialog(parent), path(path), tree(new CFolderTreeCtrl(this)), pathBox(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("Browse for Folder"));
    KeepTitleVisible(*this);
    pathBox->setPlaceholderText(QStringLiteral("Folder"));
    pathBox->setAccessibleName(QStringLiteral("Folder"));
    pathBox->setMinimumWidth(1);  // a long path must not widen the dialog

    ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CFolderBrowserDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* grid = new QGridLayout(this);
    grid->addWidget(pathBox, 0, 0);
    grid->addWidget(tree, 1, 0);
    grid->addLayout(buttons, 1, 1);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(0, 1);
    resize(440, 460);

    connect(tree, &CFolderTreeCtrl::folderSelected, this, [this](const QString& selected) {
        *this->path = tree->SelectedPathBytes();
        if (!typing) pathBox->setText(selected);
    });
    connect(pathBox, &QLineEdit::textEdited, this, &CFolderBrowserDialog::OnPathEdited);
    connect(pathBox, &QLineEdit::textChanged, this, [this] { ok->setEnabled(!BoxFolder().empty()); });
    tree->FillRoot(std::move(roots));
    tree->SelectPath(*path);
    // The first root is highlighted quietly when the path is not found: the box shows it all the same.
    pathBox->setText(tree->SelectedPath());
    tree->setFocus();
}

void CFolderBrowserDialog::OnPathEdited(const QString& text) {
    const std::string folder = TypedFolderPath(text);
    if (folder.empty()) return;
    typing = true;
    tree->SelectPath(folder);
    typing = false;
}

std::string CFolderBrowserDialog::BoxFolder() const {
    const QString text = pathBox->text();
    if (!text.isEmpty() && text == tree->SelectedPath()) return tree->SelectedPathBytes();
    return TypedFolderPath(text);
}

void CFolderBrowserDialog::accept() {
    const std::string folder = BoxFolder();
    if (folder.empty()) return;
    *path = folder;
    QDialog::accept();
}

}  // namespace vorne::ui
