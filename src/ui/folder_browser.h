// "Browse for Folder": picks the folder to scan from a tree of the file system's folders. The
// caller hands in its path, which the dialog changes only with each folder the user selects; the
// caller takes it back only when the dialog ends with OK.
#pragma once

#include <QDialog>
#include <QTreeView>

#include "ui/folder_tree_model.h"

class QLabel;

namespace vorne::ui {

class CFolderTreeCtrl final : public QTreeView {
    Q_OBJECT

public:
    explicit CFolderTreeCtrl(QWidget* parent = nullptr);

    // Builds the tree anew from `roots` and selects the first root.
    void FillRoot(std::vector<FolderTreeModel::Root> roots);
    // Selects the folder `path` level by level, as deep as its folders are found (a trailing
    // separator is ignored). Returns true when the whole path was found; a path that does not
    // exist selects nothing.
    bool SelectPath(const QString& path);

    // The path of the selected folder, or empty.
    QString SelectedPath() const;

signals:
    // A folder was selected (by the user or by SelectPath).
    void folderSelected(const QString& path);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void OnSelChanged(const QModelIndex& current);
    void SelectItem(const QModelIndex& index);

    FolderTreeModel* folders = nullptr;
};

class CFolderBrowserDialog final : public QDialog {
    Q_OBJECT

public:
    // `path` is the caller's: the starting folder, overwritten with each folder selected.
    CFolderBrowserDialog(QString* path, QWidget* parent = nullptr,
                         std::vector<FolderTreeModel::Root> roots = FolderTreeModel::SystemRoots());

    CFolderTreeCtrl* Tree() const { return tree; }
    QLabel* PathLabel() const { return label; }

private:
    QString* path;
    CFolderTreeCtrl* tree;
    QLabel* label;
};

// The actions the tree's context menu offers for a folder.
void OpenInFileManager(const QString& path);
void CopyPathToClipboard(const QString& path);

}  // namespace vorne::ui
