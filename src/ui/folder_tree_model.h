// The file system as a tree of folders only, from its roots (the home folder, "/", and the other
// mounted volumes), filled lazily: a folder's subfolders are read the first time they are needed.
// A folder shows an expand button only when it holds a subfolder. Hidden folders are left out.
// Paths are kept as bytes, so that a folder whose name is not UTF-8 can be chosen like any other.
#pragma once

#include <QAbstractItemModel>
#include <QFileIconProvider>
#include <memory>
#include <string>
#include <vector>

namespace vorne::ui {

class FolderTreeModel final : public QAbstractItemModel {
    Q_OBJECT

public:
    // The roots shown at the top level: each a name to show and a path.
    struct Root {
        QString name;
        QString path;
    };

    explicit FolderTreeModel(std::vector<Root> roots, QObject* parent = nullptr);
    ~FolderTreeModel() override;

    // Home, "/" and the mounted volumes that are not pseudo file systems, each once.
    static std::vector<Root> SystemRoots();

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // The folder's full path; empty for an invalid index.
    QString Path(const QModelIndex& index) const;
    std::string PathBytes(const QModelIndex& index) const;
    // Reads the folder's subfolders now, unless that was done before.
    void FillChildren(const QModelIndex& parent);
    // How many times folders were read (a folder is read once, however often it is opened).
    int FillCount() const { return fillCount; }

private:
    struct Node;
    Node* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(Node* node) const;

    std::vector<std::unique_ptr<Node>> roots;
    QFileIconProvider icons;
    int fillCount = 0;
};

// True when the folder at `path` holds at least one subfolder that the tree shows.
bool HasSubfolder(const std::string& path);

}  // namespace vorne::ui
