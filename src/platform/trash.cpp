#include "platform/trash.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <optional>

namespace vorne {

namespace {

constexpr mode_t kPrivate = 0700;
constexpr std::size_t kNameMax = 255;  // bytes in one name on the usual file systems
constexpr std::string_view kInfoSuffix = ".trashinfo";

std::string Parent(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// The folder with every link and ".." resolved, so that its top folder and the Path key are true.
std::string RealFolder(const std::string& folder) {
    char* real = ::realpath(folder.c_str(), nullptr);
    if (real == nullptr) throw FileError::FromErrno(folder, errno);
    std::string result(real);
    std::free(real);
    return result;
}

// The nearest folder of `path` that exists: the home trash may not have been made yet.
std::string NearestExisting(std::string path) {
    struct stat info;
    while (path != "/" && ::stat(path.c_str(), &info) != 0) path = Parent(path);
    return path;
}

// Makes the folder unless it is there; the mode applies to a new one only. Returns 0 or an errno.
int MakeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), kPrivate) == 0 || errno == EEXIST) return 0;
    return errno;
}

// Makes `path` and the folders above it that are missing, as the base directory rules ask (0700).
int MakeFolders(const std::string& path) {
    if (path == "/" || path.empty()) return 0;
    struct stat info;
    if (::stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    if (const int error = MakeFolders(Parent(path))) return error;
    return MakeFolder(path);
}

// A trash folder of its own user: a real folder (not a link another user could aim elsewhere)
// owned by `uid`, with files/ and info/ in it. Returns 0 or an errno.
int PrepareTrash(const std::string& trash, uid_t uid, bool linkAllowed) {
    if (const int error = MakeFolder(trash)) return error;
    struct stat info;
    if ((linkAllowed ? ::stat(trash.c_str(), &info) : ::lstat(trash.c_str(), &info)) != 0) return errno;
    if (!S_ISDIR(info.st_mode)) return ENOTDIR;
    if (info.st_uid != uid) return EPERM;
    for (const char* part : {"/files", "/info"}) {
        if (const int error = MakeFolder(trash + part)) return error;
        if (::lstat((trash + part).c_str(), &info) != 0) return errno;
        if (!S_ISDIR(info.st_mode)) return ENOTDIR;
    }
    return 0;
}

// The administrator's shared trash of a volume: $topdir/.Trash, a real folder with the sticky
// bit, holding one folder per user. Anything else there must not be used.
std::optional<std::string> SharedTrash(const std::string& top, uid_t uid) {
    const std::string shared = Join(top, ".Trash");
    struct stat info;
    if (::lstat(shared.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || (info.st_mode & S_ISVTX) == 0) return std::nullopt;
    const std::string own = shared + "/" + std::to_string(uid);
    if (PrepareTrash(own, uid, false) != 0) return std::nullopt;
    return own;
}

// The name with ".N" before its extension: the Nth file of that name in the trash.
std::string Numbered(const std::string& name, int number) {
    const auto dot = name.find_last_of('.');
    const std::string suffix = "." + std::to_string(number);
    if (dot == std::string::npos || dot == 0) return name + suffix;
    return name.substr(0, dot) + suffix + name.substr(dot);
}

// A name short enough to take the .trashinfo ending, cut before a UTF-8 character, not inside.
std::string Shortened(const std::string& name) {
    const std::size_t room = kNameMax - kInfoSuffix.size() - 8;  // 8: the ".N" of a namesake
    if (name.size() <= room) return name;
    std::size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    return name.substr(0, cut);
}

std::string DeletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// Writes the whole info file, created only when its name is free. Returns 0 or an errno.
int WriteInfo(const std::string& infoPath, const std::string& content) {
    const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    std::size_t done = 0;
    int error = 0;
    while (done < content.size()) {
        const ssize_t wrote = ::write(fd, content.data() + done, content.size() - done);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            error = errno;
            break;
        }
        done += static_cast<std::size_t>(wrote);
    }
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) ::unlink(infoPath.c_str());
    return error;
}

// Renames without replacing a file that is there; returns 0 or an errno.
int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without the no-replace rename: looked at first (the trash is the user's own).
    struct stat info;
    if (::lstat(to.c_str(), &info) == 0) return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Moves the file into the trash folder `trash` under a free name: the info file first, so that a
// file in files/ always has one; `pathKey` is the file's path as the info file names it.
std::string MoveInto(const std::string& trash, const std::string& file, const std::string& pathKey, const std::string& shown) {
    const std::string content = "[Trash Info]\nPath=" + TrashInfoPath(pathKey) + "\nDeletionDate=" + DeletionDate() + "\n";
    const std::string name = Shortened(file.substr(file.find_last_of('/') + 1));
    for (int number = 1; number < 100000; ++number) {
        const std::string candidate = number == 1 ? name : Numbered(name, number);
        const std::string infoPath = trash + "/info/" + candidate + std::string(kInfoSuffix);
        if (const int error = WriteInfo(infoPath, content)) {
            if (error == EEXIST) continue;
            throw NoTrashError(shown, "cannot be moved to the trash (" + infoPath + ": " + ErrnoText(error) + ")");
        }
        const std::string target = trash + "/files/" + candidate;
        const int error = RenameNoReplace(file, target);
        if (error == 0) return target;
        ::unlink(infoPath.c_str());
        if (error == EEXIST) continue;  // a file in files/ that lost its info file
        if (error == EXDEV) throw NoTrashError(shown, "cannot be moved to the trash " + trash + ": it is on another volume");
        throw FileError::FromErrno(shown, error);
    }
    throw NoTrashError(shown, "cannot be moved to the trash " + trash + ": no free name left there");
}

// The top folder of a volume: the highest folder above `folder` still on its device.
std::string TopOfVolume(const std::string& folder) {
    struct stat info;
    if (::stat(folder.c_str(), &info) != 0) throw FileError::FromErrno(folder, errno);
    std::string current = folder;
    while (current != "/") {
        const std::string parent = Parent(current);
        struct stat above;
        if (::stat(parent.c_str(), &above) != 0 || above.st_dev != info.st_dev) break;
        current = parent;
    }
    return current;
}

}  // namespace

TrashSystem DesktopTrash() {
    TrashSystem system;
    system.uid = ::geteuid();
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/') {
        system.dataHome = data;
    } else {
        // A relative XDG_DATA_HOME is to be ignored.
        std::string home;
        if (const char* value = std::getenv("HOME"); value != nullptr) home = value;
        if (home.empty()) {
            passwd entry{};
            passwd* found = nullptr;
            char buffer[4096];
            if (::getpwuid_r(system.uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) home = found->pw_dir;
        }
        if (!home.empty() && home[0] == '/') system.dataHome = Join(home, ".local/share");
    }
    system.volume = [](const std::string& path) {
        struct stat info;
        if (::stat(path.c_str(), &info) != 0) throw FileError::FromErrno(path, errno);
        return info.st_dev;
    };
    system.topDirectory = TopOfVolume;
    return system;
}

std::string MoveToTrash(const std::string& path, const TrashSystem& system) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) throw FileError::FromErrno(path, errno);
    const std::string folder = RealFolder(Parent(path));
    const std::string file = Join(folder, path.substr(path.find_last_of('/') + 1));
    const dev_t volume = system.volume(folder);

    if (!system.dataHome.empty() && system.volume(NearestExisting(system.dataHome)) == volume) {
        const std::string trash = system.dataHome + "/Trash";
        int error = MakeFolders(system.dataHome);
        if (error == 0) error = PrepareTrash(trash, system.uid, true);
        if (error != 0) throw NoTrashError(path, "cannot be moved to the trash (" + trash + ": " + ErrnoText(error) + ")");
        return MoveInto(trash, file, file, path);
    }

    // Another volume: its own trash, named by paths relative to its top, so that it travels with it.
    const std::string top = system.topDirectory(folder);
    const std::string relative = top == "/" ? file.substr(1) : file.substr(top.size() + 1);
    if (const std::optional<std::string> shared = SharedTrash(top, system.uid)) return MoveInto(*shared, file, relative, path);
    const std::string own = Join(top, ".Trash-" + std::to_string(system.uid));
    if (const int error = PrepareTrash(own, system.uid, false)) {
        throw NoTrashError(path, "cannot be moved to the trash: its volume " + top + " has none (" + own + ": " + ErrnoText(error) + ")");
    }
    return MoveInto(own, file, relative, path);
}

std::string TrashInfoPath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
                           byte == '/' || byte == '-' || byte == '_' || byte == '.' || byte == '~';
        if (plain) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        }
    }
    return encoded;
}

}  // namespace vorne
