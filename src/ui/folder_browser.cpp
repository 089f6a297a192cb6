#include "ui/folder_browser.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/dialog_width.h"

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

QString TypedFolder(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(QStringLiteral("file://"))) return QUrl(trimmed).toLocalFile();
    if (trimmed == QStringLiteral("~")) return QDir::homePath();
    if (trimmed.startsWith(QStringLiteral("~/"))) return QDir::homePath() + trimmed.mid(1);
    return trimmed;
}

namespace {

bool NamesFolder(const QString& text) { return !text.trimmed().isEmpty() && QFileInfo(TypedFolder(text)).isDir(); }

}  // namespace

CFolderBrowserDialog::CFolderBrowserDialog(QString* path, QWidget* parent, std::vector<FolderTreeModel::Root> roots)
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
        *this->path = selected;
        if (!typing) pathBox->setText(selected);
    });
    connect(pathBox, &QLineEdit::textEdited, this, &CFolderBrowserDialog::OnPathEdited);
    connect(pathBox, &QLineEdit::textChanged, this, [this](const QString& text) { ok->setEnabled(NamesFolder(text)); });
    tree->FillRoot(std::move(roots));
    tree->SelectPath(*path);
    // The first root is highlighted quietly when the path is not found: the box shows it all the same.
    pathBox->setText(tree->SelectedPath());
    tree->setFocus();
}

void CFolderBrowserDialog::OnPathEdited(const QString& text) {
    if (!NamesFolder(text)) return;
    typing = true;
    tree->SelectPath(TypedFolder(text));
    typing = false;
}

void CFolderBrowserDialog::accept() {
    if (!NamesFolder(pathBox->text())) return;
    *path = QDir::cleanPath(QDir(TypedFolder(pathBox->text())).absolutePath());
    QDialog::accept();
}

}  // namespace vorne::ui
