// The store of what reading a file gave (its hashes and header columns), so that a rescan reads
// only the files that changed. An SQLite database, which the window and vorne-cli may share at
// once. A file's entry holds only while the file is exactly as it was: the same device, inode,
// size, modification and change time (to the nanosecond) at the same path; an archive member's
// entry holds while its archive is so, for the same directory entry.
//
// The cache never decides a result: a cache that cannot be used (damaged, locked too long by
// another process, on a full disk, read-only) is rebuilt or done without, with a warning, and
// the scan reads the files instead.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace vorne {

struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const struct stat& info);

// The cache file the user's cache folder holds: $XDG_CACHE_HOME/vorne/hashes.sqlite, or
// ~/.cache/vorne/hashes.sqlite; empty when neither folder is known.
std::string DefaultCachePath();

class HashCache {
public:
    // Opens the cache at `path`, creating it (and its folder) when missing. Never fails: a cache
    // that cannot be opened is one that holds nothing and keeps nothing, and says why in
    // Warnings().
    explicit HashCache(std::string path);
    ~HashCache();
    HashCache(const HashCache&) = delete;
    HashCache& operator=(const HashCache&) = delete;

    struct Entry {
        FileStamp stamp;
        std::string value;
    };
    // The entries of the files of one folder (an absolute path) stored for `context` (what
    // else the value depends on: the kind, the known-dump list), by EntryName(name, member).
    std::unordered_map<std::string, Entry> LoadFolder(const std::string& folder, const std::string& context);

    // Keeps an entry; entries are written in one transaction until Commit.
    void Store(const std::string& folder, const std::string& name, const std::string& context, const FileStamp& stamp,
               std::string_view value);
    void Commit();

    // What went wrong, once each; the caller shows them.
    std::vector<std::string> TakeWarnings();
    bool Usable() const { return db != nullptr; }
    const std::string& Path() const { return path; }

    // A file's own entry name, or a member's: its archive's name and its directory entry.
    static std::string EntryName(std::string_view fileName, std::string_view member = {});

private:
    bool OpenDatabase();
    void Close();
    // Gives up the cache for this run after `what` failed.
    void GiveUp(const std::string& what);
    void Warn(std::string text);

    std::string path;
    sqlite3* db = nullptr;
    sqlite3_stmt* select = nullptr;
    sqlite3_stmt* insert = nullptr;
    bool inTransaction = false;
    bool writable = true;
    std::mutex mutex;
    std::vector<std::string> warnings;
};

}  // namespace vorne
