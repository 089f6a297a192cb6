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

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
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

    // Is handed each entry: its name (EntryName), its stamp and its value, which live only for
    // the call.
    using EntryVisitor = std::function<void(std::string_view name, const FileStamp& stamp, std::string_view value)>;
    // Hands `each` the entries of the files of one folder (an absolute path) stored for `context`
    // (what else the value depends on: the kind, the known-dump list). Returns false when they
    // could not all be read: none of those handed over may then be used.
    bool LoadFolder(const std::string& folder, const std::string& context, const EntryVisitor& each);

    // Keeps an entry. Entries are gathered until Commit hands them to a thread of the cache's own,
    // which writes them in large transactions, in key order, while the scan goes on.
    void Store(const std::string& folder, const std::string& name, const std::string& context, const FileStamp& stamp,
               std::string_view value);
    void Commit();
    // Commits and waits until everything handed over is written (or given up).
    void Flush();

    // What went wrong, once each; the caller shows them.
    std::vector<std::string> TakeWarnings();
    bool Usable();
    const std::string& Path() const { return path; }

    // A file's own entry name, or a member's: its archive's name and its directory entry.
    static std::string EntryName(std::string_view fileName, std::string_view member = {});

private:
    struct Row {
        std::string folder;
        std::string name;
        std::string context;
        FileStamp stamp;
        std::string value;
    };

    bool OpenDatabase();
    // Throws the damaged database away and makes a new one (or does without), with a warning.
    void MakeAfresh();
    void Write(std::stop_token stop);
    void WriteRows(std::vector<Row>& rows);
    void Close();
    // Gives up the cache for this run after `what` failed.
    void GiveUp(const std::string& what);
    void Warn(std::string text);

    std::string path;
    sqlite3* db = nullptr;
    sqlite3_stmt* select = nullptr;
    sqlite3_stmt* insert = nullptr;
    bool writable = true;
    std::mutex mutex;  // the database and the warnings
    std::vector<std::string> warnings;

    std::mutex queueMutex;  // what follows
    std::condition_variable_any handedOver;
    std::condition_variable allWritten;
    std::vector<Row> stored;  // not handed over yet
    std::vector<Row> handed;  // waiting for the writer
    bool writing = false;
    bool flushing = false;
    std::jthread writer;  // started with the first Commit that has something to write
};

}  // namespace vorne
