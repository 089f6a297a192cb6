// "Browse for Folder": picks the folder to scan from a tree of the file system's folders, or from
// the path box above it, where a folder can be typed or pasted (a leading "~" is the home folder,
// a file:// URL its local path). The box shows the highlighted folder, and a folder typed there is
// highlighted in the tree as soon as it exists. The caller hands in its path, which the dialog
// changes with each folder the user selects and, on OK, sets to the folder in the box: the
// highlighted one when nothing else was chosen. OK is greyed while the box names no folder; the
// caller takes the path back only when the dialog ends with OK. Paths are bytes: a folder whose
// name is not UTF-8 is chosen in the tree as it is, though the box can only show it.
#pragma once

#include <QDialog>
#include <QTreeView>
#include <string>

#include "ui/folder_tree_model.h"

class QLineEdit;
class QPushButton;

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
    bool SelectPath(const std::string& path);

    // The path of the selected folder, or empty.
    QString SelectedPath() const;
    std::string SelectedPathBytes() const;

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
    CFolderBrowserDialog(std::string* path, QWidget* parent = nullptr,
                         std::vector<FolderTreeModel::Root> roots = FolderTreeModel::SystemRoots());

    CFolderTreeCtrl* Tree() const { return tree; }
    QLineEdit* PathBox() const { return pathBox; }
    QPushButton* OkButton() const { return ok; }

    // Takes the folder in the box; does nothing while it names none.
    void accept() override;

private:
    void OnPathEdited(const QString& text);
    // The folder the box names: the highlighted one while the box shows it; empty when none.
    std::string BoxFolder() const;

    std::string* path;
    CFolderTreeCtrl* tree;
    QLineEdit* pathBox;
    QPushButton* ok = nullptr;
    bool typing = false;  // the tree follows the box: its selection must not rewrite what is typed
};

// The folder a typed or pasted text names: "~" and "~/..." under the home folder, a file:// URL
// as its local path, any other text as it is (relative to the working folder).
QString TypedFolder(const QString& text);


}  // namespace vorne::ui
