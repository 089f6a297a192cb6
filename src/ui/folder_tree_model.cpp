#include "ui/folder_tree_model.h"

#include <QCollator>
#include <QDir>
#include <QStorageInfo>
#include <algorithm>

#include "platform/directory.h"
#include "platform/file_error.h"
#include "ui/byte_path.h"
#include "ui/byte_text.h"

namespace vorne::ui {

namespace {

std::string Join(const std::string& folder, const std::string& name) { return folder == "/" ? "/" + name : folder + '/' + name; }

// The names of the subfolders of `path` that the tree shows, in the order the folder holds them;
// only the first when `first`. Links to folders are shown, as file managers show them; the tree
// is filled lazily, so a link that loops costs nothing until it is opened. A folder that cannot
// be read shows none.
std::vector<std::string> SubfolderNames(const std::string& path, bool first) {
    std::vector<std::string> names;
    try {
        for (const DirectoryEntry& entry : Directory::Open(path).Entries()) {
            if (entry.name.starts_with('.')) continue;  // hidden
            if (!entry.isDirectory && !IsFolder(Join(path, entry.name))) continue;
            names.push_back(entry.name);
            if (first) break;
        }
    } catch (const FileError&) {
    }
    return names;
}

}  // namespace

struct FolderTreeModel::Node {
    // A folder whose subfolders are not read yet.
    Node(QString name, std::string path, Node* parent, int row)
        : name(std::move(name)), path(std::move(path)), parent(parent), row(row), hasSubfolders(HasSubfolder(this->path)) {}

    QString name;
    std::string path;
    Node* parent = nullptr;
    int row = 0;
    bool filled = false;
    bool hasSubfolders = false;
    std::vector<std::unique_ptr<Node>> children;
};

FolderTreeModel::FolderTreeModel(std::vector<Root> rootList, QObject* parent) : QAbstractItemModel(parent) {
    for (Root& root : rootList) {
        const auto row = static_cast<int>(roots.size());
        roots.push_back(std::make_unique<Node>(std::move(root.name), ToBytes(root.path), nullptr, row));
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

bool HasSubfolder(const std::string& path) { return !SubfolderNames(path, true).empty(); }

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
        case Qt::ToolTipRole: return FromBytes(node->path);
        case Qt::DecorationRole:  // the roots are drives, the home folder aside
            return icons.icon(node->parent == nullptr && node->path != ToBytes(QDir::homePath()) ? QFileIconProvider::Drive
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
    std::vector<std::string> names = SubfolderNames(node->path, false);
    QCollator order;  // the platform's order for names: by locale, letter case aside
    order.setCaseSensitivity(Qt::CaseInsensitive);
    order.setNumericMode(true);
    std::vector<std::pair<QString, std::string>> shown;  // each name as shown, and as it is
    for (std::string& name : names) shown.emplace_back(FromBytes(name), std::move(name));
    std::sort(shown.begin(), shown.end(), [&order](const auto& a, const auto& b) { return order.compare(a.first, b.first) < 0; });
    if (shown.empty()) {
        // Nothing to show after all: the expand button goes.
        node->hasSubfolders = false;
        emit dataChanged(parent, parent);
        return;
    }
    beginInsertRows(parent, 0, static_cast<int>(shown.size()) - 1);
    for (auto& [text, name] : shown) {
        node->children.push_back(
            std::make_unique<Node>(std::move(text), Join(node->path, name), node, static_cast<int>(node->children.size())));
    }
    endInsertRows();
}

QString FolderTreeModel::Path(const QModelIndex& index) const { return FromBytes(PathBytes(index)); }

std::string FolderTreeModel::PathBytes(const QModelIndex& index) const {
    const Node* node = NodeOf(index);
    return node == nullptr ? std::string() : node->path;
}

}  // namespace vorne::ui
