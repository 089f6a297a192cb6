#include "cache/hash_cache.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <iterator>
#include <tuple>
#include <utility>

namespace vorne {

namespace {

// Bump when what a value holds, or how readers decode a file, changes: older entries are then
// never used.
constexpr int kSchemaVersion = 1;

// Rows handed to the writer wait until there are this many (or the scan ends).
constexpr std::size_t kRowsPerTransaction = 16384;

// How long a write waits for another process's transaction before the cache is done without.
constexpr int kBusyMilliseconds = 3000;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS files ("
    " folder TEXT NOT NULL, name TEXT NOT NULL, context TEXT NOT NULL,"
    " device INTEGER NOT NULL, inode INTEGER NOT NULL, size INTEGER NOT NULL,"
    " modified INTEGER NOT NULL, changed INTEGER NOT NULL, value BLOB NOT NULL,"
    " PRIMARY KEY (folder, context, name)) WITHOUT ROWID";

bool MakeFolders(const std::string& file) {
    for (std::size_t at = file.find('/', 1); at != std::string::npos; at = file.find('/', at + 1)) {
        if (mkdir(file.substr(0, at).c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

bool IsDamage(int code) { return code == SQLITE_CORRUPT || code == SQLITE_NOTADB; }

}  // namespace

FileStamp StampOf(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino), info.st_size,
            info.st_mtim.tv_sec * 1'000'000'000ll + info.st_mtim.tv_nsec,
            info.st_ctim.tv_sec * 1'000'000'000ll + info.st_ctim.tv_nsec};
}

std::string DefaultCachePath() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/vorne/hashes.sqlite";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.cache/vorne/hashes.sqlite";
    return {};
}

std::string HashCache::EntryName(std::string_view fileName, std::string_view member) {
    std::string name(fileName);
    if (!member.empty()) {
        name += '\0';
        name += member;
    }
    return name;
}

HashCache::HashCache(std::string cachePath) : path(std::move(cachePath)) {
    if (path.empty()) return;
    // Opened but damaged: it is thrown away and made afresh.
    if (!OpenDatabase()) MakeAfresh();
}

HashCache::~HashCache() {
    Flush();
    if (writer.joinable()) {
        writer.request_stop();
        handedOver.notify_all();
        writer.join();
    }
    Close();
}

bool HashCache::Usable() {
    std::lock_guard lock(mutex);
    return db != nullptr;
}

void HashCache::Warn(std::string text) {
    for (const std::string& told : warnings) {
        if (told == text) return;
    }
    warnings.push_back(std::move(text));
}

std::vector<std::string> HashCache::TakeWarnings() {
    std::lock_guard lock(mutex);
    return std::exchange(warnings, {});
}

// Returns false for a database that opened but is damaged (db stays open); a cache that cannot be
// opened at all leaves db null, warned.
bool HashCache::OpenDatabase() {
    if (!MakeFolders(path)) {
        Warn("the hash cache's folder cannot be made; scanning without it");
        return true;
    }
    int code = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code != SQLITE_OK) {
        sqlite3_close(db);
        db = nullptr;
        code = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        if (code != SQLITE_OK) {
            Warn(std::string("the hash cache cannot be opened (") + sqlite3_errstr(code) + "); scanning without it");
            sqlite3_close(db);
            db = nullptr;
            return true;
        }
        writable = false;
    }
    // A file the process may not write is opened for reading alone, without a word from SQLite.
    if (sqlite3_db_readonly(db, "main") == 1) writable = false;
    sqlite3_busy_timeout(db, kBusyMilliseconds);
    auto exec = [&](const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); };
    // Write-ahead logging lets one process read while another writes.
    if (writable) exec("PRAGMA journal_mode=WAL");
    exec("PRAGMA synchronous=NORMAL");
    // The log is folded back into the file (which syncs it) every 32 MiB rather than every 4.
    exec("PRAGMA wal_autocheckpoint=8192");
    int version = -1;
    sqlite3_stmt* statement = nullptr;
    int step = SQLITE_ERROR;
    code = sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr);
    if (code == SQLITE_OK) step = sqlite3_step(statement);
    if (step == SQLITE_ROW) version = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    if (IsDamage(code) || IsDamage(step)) return false;
    if (step != SQLITE_ROW) {
        const std::string reason = sqlite3_errstr(code != SQLITE_OK ? code : step);
        if (!writable) {
            // A cache of write-ahead logging is read through files beside it, which cannot be made.
            Warn("the hash cache cannot be written, nor read without writing (" + reason + "); scanning without it");
            Close();
            return true;
        }
        // Busy beyond the wait, say: its layout is not known, so nothing in it is touched.
        GiveUp("it cannot be read (" + reason + ")");
        return true;
    }
    if (writable) {
        if (version != kSchemaVersion) {
            // Another layout (or none yet): what it holds is not ours to read.
            exec("DROP TABLE IF EXISTS files");
            exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
        }
        code = exec(kSchema);
        if (IsDamage(code)) return false;
        if (code != SQLITE_OK) writable = false;
    } else if (version != kSchemaVersion) {
        Warn("the hash cache cannot be written and is of another layout; scanning without it");
        Close();
        return true;
    }
    if (!writable) Warn("the hash cache cannot be written; it is read, and nothing new is kept");
    code = sqlite3_prepare_v2(db,
                              "SELECT name, device, inode, size, modified, changed, value FROM files"
                              " WHERE folder = ?1 AND context = ?2",
                              -1, &select, nullptr);
    if (IsDamage(code)) return false;
    if (code == SQLITE_OK && writable) {
        code = sqlite3_prepare_v2(db,
                                  "INSERT OR REPLACE INTO files (folder, name, context, device, inode, size, modified,"
                                  " changed, value) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)",
                                  -1, &insert, nullptr);
    }
    if (code != SQLITE_OK) {
        if (IsDamage(code)) return false;
        GiveUp(std::string("opening it failed (") + sqlite3_errstr(code) + ")");
        return true;
    }
    // Damage deeper in the file shows when it is read or written (MakeAfresh): a check of the
    // whole file here would cost a rescan more than reading its rows.
    return true;
}

void HashCache::MakeAfresh() {
    Close();
    for (const char* suffix : {"", "-wal", "-shm"}) unlink((path + suffix).c_str());
    if (OpenDatabase() && db) {
        Warn("the hash cache was damaged and is made afresh");
    } else {
        Close();
        Warn("the hash cache is damaged and cannot be made afresh; scanning without it");
    }
}

void HashCache::Close() {
    sqlite3_finalize(select);
    sqlite3_finalize(insert);
    select = insert = nullptr;
    sqlite3_close(db);
    db = nullptr;
}

void HashCache::GiveUp(const std::string& what) {
    Warn("the hash cache is done without for this scan: " + what);
    if (db && !sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    Close();
}

bool HashCache::LoadFolder(const std::string& folder, const std::string& context, const EntryVisitor& each) {
    std::lock_guard lock(mutex);
    if (!db) return true;
    sqlite3_reset(select);
    sqlite3_bind_text(select, 1, folder.data(), static_cast<int>(folder.size()), SQLITE_STATIC);
    sqlite3_bind_text(select, 2, context.data(), static_cast<int>(context.size()), SQLITE_STATIC);
    auto text = [&](int column) {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(select, column));
        return std::string_view(bytes ? bytes : "", static_cast<std::size_t>(sqlite3_column_bytes(select, column)));
    };
    int code;
    while ((code = sqlite3_step(select)) == SQLITE_ROW) {
        const FileStamp stamp{static_cast<std::uint64_t>(sqlite3_column_int64(select, 1)),
                              static_cast<std::uint64_t>(sqlite3_column_int64(select, 2)), sqlite3_column_int64(select, 3),
                              sqlite3_column_int64(select, 4), sqlite3_column_int64(select, 5)};
        each(text(0), stamp, text(6));
    }
    sqlite3_reset(select);
    if (code == SQLITE_DONE) return true;
    if (IsDamage(code)) {
        MakeAfresh();
    } else {
        GiveUp(std::string("reading it failed (") + sqlite3_errstr(code) + ")");
    }
    return false;
}

void HashCache::Store(const std::string& folder, const std::string& name, const std::string& context,
                      const FileStamp& stamp, std::string_view value) {
    std::lock_guard lock(queueMutex);
    stored.push_back({folder, name, context, stamp, std::string(value)});
}

void HashCache::Commit() {
    std::lock_guard lock(queueMutex);
    if (stored.empty()) return;
    if (handed.empty()) {
        handed = std::exchange(stored, {});
    } else {
        std::move(stored.begin(), stored.end(), std::back_inserter(handed));
        stored.clear();
    }
    if (!writer.joinable()) writer = std::jthread([this](std::stop_token stop) { Write(std::move(stop)); });
    handedOver.notify_one();
}

void HashCache::Flush() {
    Commit();
    std::unique_lock lock(queueMutex);
    flushing = true;
    handedOver.notify_one();
    allWritten.wait(lock, [this] { return handed.empty() && !writing; });
    flushing = false;
}

void HashCache::Write(std::stop_token stop) {
    while (true) {
        std::vector<Row> rows;
        {
            std::unique_lock lock(queueMutex);
            // Rows are written in large transactions: each writes every page it touches once.
            handedOver.wait(lock, stop, [this] { return handed.size() >= kRowsPerTransaction || (flushing && !handed.empty()); });
            if (handed.empty()) return;  // asked to stop, and nothing is left
            rows = std::exchange(handed, {});
            writing = true;
        }
        WriteRows(rows);
        {
            std::lock_guard lock(queueMutex);
            writing = false;
        }
        allWritten.notify_all();
    }
}

void HashCache::WriteRows(std::vector<Row>& rows) {
    // In key order, each page of the table is written once.
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return std::tie(a.folder, a.context, a.name) < std::tie(b.folder, b.context, b.name);
    });
    std::lock_guard lock(mutex);
    if (!db || !insert) return;
    // The pages a transaction changes stay in memory until it commits; reading a folder's rows
    // needs few at a time, and fresh memory costs more than reading a page again.
    sqlite3_exec(db, "PRAGMA cache_size=-16384", nullptr, nullptr, nullptr);
    int code = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) return GiveUp(std::string("it is busy (") + sqlite3_errstr(code) + ")");
    for (const Row& row : rows) {
        sqlite3_reset(insert);
        sqlite3_bind_text(insert, 1, row.folder.data(), static_cast<int>(row.folder.size()), SQLITE_STATIC);
        // Names are bound as blobs: a member's holds a zero byte between the archive and the member.
        sqlite3_bind_blob(insert, 2, row.name.data(), static_cast<int>(row.name.size()), SQLITE_STATIC);
        sqlite3_bind_text(insert, 3, row.context.data(), static_cast<int>(row.context.size()), SQLITE_STATIC);
        sqlite3_bind_int64(insert, 4, static_cast<sqlite3_int64>(row.stamp.device));
        sqlite3_bind_int64(insert, 5, static_cast<sqlite3_int64>(row.stamp.inode));
        sqlite3_bind_int64(insert, 6, row.stamp.size);
        sqlite3_bind_int64(insert, 7, row.stamp.modifiedNs);
        sqlite3_bind_int64(insert, 8, row.stamp.changedNs);
        sqlite3_bind_blob(insert, 9, row.value.data(), static_cast<int>(row.value.size()), SQLITE_STATIC);
        code = sqlite3_step(insert);
        if (code != SQLITE_DONE) break;
    }
    if (code != SQLITE_DONE) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        if (IsDamage(code)) return MakeAfresh();  // these rows are kept by the next scan
        return GiveUp(std::string("writing it failed (") + sqlite3_errstr(code) + ")");
    }
    sqlite3_reset(insert);
    code = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) return GiveUp(std::string("writing it failed (") + sqlite3_errstr(code) + ")");
    sqlite3_exec(db, "PRAGMA cache_size=-2000", nullptr, nullptr, nullptr);
}

}  // namespace vorne
