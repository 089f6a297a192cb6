#include "ui/folder_browser.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

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

bool CFolderTreeCtrl::SelectPath(const QString& path) {
    if (folders == nullptr || path.isEmpty()) return false;
    const QString wanted = QDir::cleanPath(QDir(path).absolutePath());  // no trailing separator
    if (!QFileInfo(wanted).isDir()) return false;
    // The root that holds the path most closely: home before "/" for a folder under home.
    QModelIndex level;
    qsizetype matched = -1;
    for (int r = 0; r < folders->rowCount(); ++r) {
        const QModelIndex root = folders->index(r, 0);
        const QString rootPath = folders->Path(root);
        const bool holds = wanted == rootPath || rootPath == QStringLiteral("/") ||
                           wanted.startsWith(rootPath + QLatin1Char('/'));
        if (holds && rootPath.size() > matched) {
            level = root;
            matched = rootPath.size();
        }
    }
    if (!level.isValid()) return false;
    SelectItem(level);
    const QString rest = wanted.mid(matched);
    for (const QString& name : rest.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        folders->FillChildren(level);
        QModelIndex found;
        for (int r = 0; r < folders->rowCount(level) && !found.isValid(); ++r) {
            const QModelIndex child = folders->index(r, 0, level);
            if (child.data().toString() == name) found = child;
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
    const QString path = folders->Path(index);
    QMenu menu(this);
    menu.addAction(QStringLiteral("Open in File Manager"), this, [path] { OpenInFileManager(path); });
    menu.addAction(QStringLiteral("Copy Path"), this, [path] { CopyPathToClipboard(path); });
    menu.exec(event->globalPos());
}

void OpenInFileManager(const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

void CopyPathToClipboard(const QString& path) { QGuiApplication::clipboard()->setText(path); }

CFolderBrowserDialog::CFolderBrowserDialog(QString* path, QWidget* parent, std::vector<FolderTreeModel::Root> roots)
    : QDialog(parent), path(path), tree(new CFolderTreeCtrl(this)), label(new QLabel(QStringLiteral("Folder"), this)) {
    setWindowTitle(QStringLiteral("Browse for Folder"));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(false);
    label->setMinimumWidth(1);  // a long path must not widen the dialog

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(tree, 1, 0);
    grid->addLayout(buttons, 1, 1);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(0, 1);
    resize(440, 460);

    connect(tree, &CFolderTreeCtrl::folderSelected, this, [this](const QString& selected) {
        *this->path = selected;
        label->setText(selected);
    });
    tree->FillRoot(std::move(roots));
    tree->SelectPath(*path);
    tree->setFocus();
}

}  // namespace vorne::ui
