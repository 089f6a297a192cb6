#include "ui/folder_tree_model.h"

#include <QCollator>
#include <QDir>
#include <QDirIterator>
#include <QStorageInfo>
#include <algorithm>

namespace vorne::ui {

namespace {

// Links to folders are shown, as file managers show them; the tree is filled lazily, so a link
// that loops costs nothing until it is opened.
constexpr QDir::Filters kFolders = QDir::Dirs | QDir::NoDotAndDotDot;

}  // namespace

struct FolderTreeModel::Node {
    // A folder whose subfolders are not read yet.
    Node(QString name, QString path, Node* parent, int row)
        : name(std::move(name)), path(std::move(path)), parent(parent), row(row), hasSubfolders(HasSubfolder(this->path)) {}

    QString name;
    QString path;
    Node* parent = nullptr;
    int row = 0;
    bool filled = false;
    bool hasSubfolders = false;
    std::vector<std::unique_ptr<Node>> children;
};

FolderTreeModel::FolderTreeModel(std::vector<Root> rootList, QObject* parent) : QAbstractItemModel(parent) {
    for (Root& root : rootList) {
        const auto row = static_cast<int>(roots.size());
        roots.push_back(std::make_unique<Node>(std::move(root.name), std::move(root.path), nullptr, row));
    }
}

FolderTreeModel::~FolderTreeModel() = default;

std::vector<FolderTreeModel::Root> FolderTreeModel::SystemRoots() {
    std::vector<Root> result;
    auto add = [&result](const QString& name, const QString& path) {
        QString clean = QDir::cleanPath(path);
        for (const Root& root : result) {
            if (root.path == clean) return;
        }
        result.push_back({name, clean});
    };
    add(QStringLiteral("Home"), QDir::homePath());
    add(QStringLiteral("/"), QDir::rootPath());
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady()) continue;
        const QString type = QString::fromLatin1(volume.fileSystemType());
        // Kernel and memory file systems hold no collections.
        static const QStringList kPseudo{"proc", "sysfs", "devtmpfs", "devpts", "tmpfs", "cgroup", "cgroup2",
                                         "overlay", "securityfs", "debugfs", "tracefs", "mqueue", "pstore",
                                         "bpf", "autofs", "fusectl", "configfs", "hugetlbfs", "binfmt_misc",
                                         "nsfs", "squashfs"};
        if (kPseudo.contains(type)) continue;
        const QString path = volume.rootPath();
        if (path.startsWith(QStringLiteral("/proc")) || path.startsWith(QStringLiteral("/sys")) ||
            path.startsWith(QStringLiteral("/dev")) || path.startsWith(QStringLiteral("/run"))) {
            continue;
        }
        add(volume.displayName().isEmpty() ? path : volume.displayName(), path);
    }
    return result;
}

bool HasSubfolder(const QString& path) {
    QDirIterator it(path, kFolders);
    return it.hasNext();
}

FolderTreeModel::Node* FolderTreeModel::NodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : nullptr;
}

QModelIndex FolderTreeModel::IndexOf(Node* node) const {
    return node == nullptr ? QModelIndex() : createIndex(node->row, 0, node);
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    const Node* owner = NodeOf(parent);
    const auto& list = owner == nullptr ? roots : owner->children;
    if (row >= static_cast<int>(list.size())) return {};
    return createIndex(row, 0, list[static_cast<std::size_t>(row)].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
    const Node* node = NodeOf(child);
    return node == nullptr ? QModelIndex() : IndexOf(node->parent);
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
    const Node* owner = NodeOf(parent);
    return static_cast<int>(owner == nullptr ? roots.size() : owner->children.size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
    const Node* node = NodeOf(index);
    if (node == nullptr) return {};
    switch (role) {
        case Qt::DisplayRole: return node->name;
        case Qt::ToolTipRole: return node->path;
        case Qt::DecorationRole:  // the roots are drives, the home folder aside
            return icons.icon(node->parent == nullptr && node->path != QDir::homePath() ? QFileIconProvider::Drive
                                                                                         : QFileIconProvider::Folder);
        default: return {};
    }
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const {
    const Node* node = NodeOf(parent);
    if (node == nullptr) return !roots.empty();
    return node->filled ? !node->children.empty() : node->hasSubfolders;
}

bool FolderTreeModel::canFetchMore(const QModelIndex& parent) const {
    const Node* node = NodeOf(parent);
    return node != nullptr && !node->filled && node->hasSubfolders;
}

void FolderTreeModel::fetchMore(const QModelIndex& parent) { FillChildren(parent); }

void FolderTreeModel::FillChildren(const QModelIndex& parent) {
    Node* node = NodeOf(parent);
    if (node == nullptr || node->filled) return;
    node->filled = true;
    ++fillCount;
    QStringList names = QDir(node->path).entryList(kFolders);
    QCollator order;  // the platform's order for names: by locale, letter case aside
    order.setCaseSensitivity(Qt::CaseInsensitive);
    order.setNumericMode(true);
    std::sort(names.begin(), names.end(), [&order](const QString& a, const QString& b) { return order.compare(a, b) < 0; });
    if (names.isEmpty()) {
        // Nothing to show after all: the expand button goes.
        node->hasSubfolders = false;
        emit dataChanged(parent, parent);
        return;
    }
    beginInsertRows(parent, 0, static_cast<int>(names.size()) - 1);
    const QDir folder(node->path);
    for (const QString& name : names) {
        node->children.push_back(
            std::make_unique<Node>(name, folder.filePath(name), node, static_cast<int>(node->children.size())));
    }
    endInsertRows();
}

QString FolderTreeModel::Path(const QModelIndex& index) const {
    const Node* node = NodeOf(index);
    return node == nullptr ? QString() : node->path;
}

}  // namespace vorne::ui
