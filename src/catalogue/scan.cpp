#include "catalogue/scan.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <unordered_map>

#include "archive/zip_reader.h"
#include "archive/zip_walk.h"
#include "catalogue/known_dumps.h"
#include "catalogue/parallel_loader.h"
#include "catalogue/cached_rows.h"
#include "catalogue/row_hashing.h"
#include "base/rom_header.h"
#include "base/text_rules.h"
#include "formats/reader_factory.h"
#include "platform/directory.h"
#include "platform/file.h"
#include "platform/file_error.h"

namespace vorne {

bool MemberBelongsToKind(std::string_view memberName, RomType type) {
    auto dot = memberName.find_last_of('.');
    std::string_view extension = dot == std::string_view::npos ? memberName : memberName.substr(dot + 1);
    for (std::string_view e : Kind(type).extensions) {
        if (EqualsIgnoringCase(extension, e)) return true;
    }
    return false;
}

namespace {

// Rows and the status text go out in batches, so the owner is not flooded with one request per
// file on a fast disk.
constexpr std::size_t kRowBatch = 1024;
constexpr auto kPostInterval = std::chrono::milliseconds(40);
// Files are loaded this many at a time on all cores, then handed on in order.
constexpr std::size_t kLoadChunk = 1024;
// A worker keeps the memory it read a file into for the next file up to this size.
constexpr std::size_t kKeptBufferSize = std::size_t{4} << 20;
// A file changed less than this long before the scan began is read, but not kept in the cache.
constexpr auto kCacheSettleTime = std::chrono::seconds(2);

// What the cache holds of a folder's files, by entry name, as stored: each is decoded by the
// worker that takes it, once.
struct CachedEntry {
    FileStamp stamp;
    std::string value;
};
using CacheEntries = std::unordered_map<std::string, CachedEntry>;

class Walk {
public:
    Walk(const ScanRequest& request, ScanEventSink& sink, std::stop_token stop)
        : request(request), sink(sink), stop(std::move(stop)) {
        if (request.type == RomType::Nes) knownList = KnownDumpList::Load(request.knownDumpsPath);
        if (request.cache && request.type != RomType::Zip && request.cache->Usable()) {
            char* root = realpath(request.folder.c_str(), nullptr);
            if (root) {
                cache = request.cache;
                cacheRoot = root;
                std::free(root);
                cacheContext = CacheContext(request.type, request.knownDumpsPath);
                const auto now = std::chrono::system_clock::now().time_since_epoch();
                cacheSafeBeforeNs = std::chrono::duration_cast<std::chrono::nanoseconds>(now - kCacheSettleTime).count();
            }
        }
    }

    ~Walk() {
        if (!request.cache) return;
        request.cache->Flush();  // what went wrong writing the last rows is told with the rest
        for (std::string& warning : request.cache->TakeWarnings()) sink.Post(FileProblem{request.cache->Path(), std::move(warning)});
    }

    void Run() {
        Directory root;
        try {
            root = Directory::Open(request.folder);
        } catch (const std::exception& e) {
            Problem(request.folder, e);
            return;
        }
        if (request.type == RomType::Zip) {
            ListArchives(root, "");
        } else {
            ScanFolder(root, "");
        }
        Flush();
    }

private:
    // Kinds 0 to 6: the folder's files of the kind, extension by extension, then its archive
    // members, then its subfolders depth first.
    void ScanFolder(const Directory& dir, const std::string& prefix) {
        std::vector<DirectoryEntry> entries;
        if (!ReadEntries(dir, prefix, entries)) return;
        {
            // Readers per worker, made afresh for each folder.
            std::vector<Readers> readers;
            for (int w = 0; w < loader.Threads(); ++w) {
                readers.push_back({CreateReader(request.type, knownList),
                                   request.HashesData() ? CreateReader(request.type, knownList) : nullptr});
            }
            std::vector<Pending> files;
            for (std::string_view extension : Kind(request.type).extensions) {
                for (const DirectoryEntry& entry : entries) {
                    if (entry.isDirectory || !HasExtension(entry.name, extension)) continue;
                    std::string path = prefix + entry.name;
                    if (IsLaterPartOfSplitSet(path, extension)) continue;
                    files.push_back({entry.name, std::move(path)});
                }
            }
            // What the cache holds of this folder's files.
            const std::string cacheFolder = cache ? CacheFolder(prefix) : std::string();
            CacheEntries cached;
            if (cache) cached.reserve(files.size());
            if (cache && !cache->LoadFolder(cacheFolder, cacheContext, [&](std::string_view name, const FileStamp& stamp, std::string_view value) {
                    cached.emplace(name, CachedEntry{stamp, std::string(value)});
                })) {
                cached.clear();
            }
            LoadInOrder(
                files.size(),
                [&](std::size_t i, int worker) { return LoadPlainFile(readers[static_cast<std::size_t>(worker)], dir, files[i], cacheFolder); },
                [&](std::size_t i, Loaded& result) { return PlainFileFromCache(dir, files[i], cached, result); });
            if (request.switches && request.switches->zipFiles.load()) {
                for (const DirectoryEntry& entry : entries) {
                    if (stop.stop_requested()) return;
                    if (entry.isDirectory || !HasExtension(entry.name, "zip")) continue;
                    std::string path = prefix + entry.name;
                    ShowFile(path);
                    ListArchiveMembers(readers, dir, entry.name, path, cached, cacheFolder);
                }
            }
        }
        VisitSubfolders(dir, prefix, entries, [this](const Directory& child, const std::string& childPrefix) {
            ScanFolder(child, childPrefix);
        });
    }

    // A worker's reader, and a second one of the same kind that tells, while a file streams
    // through the first, where its hashed data lies from its first bytes (null when the scan
    // hashes nothing).
    struct Readers {
        std::unique_ptr<RomHeader> reader;
        std::unique_ptr<RomHeader> probe;
        // A file's bytes, read into the same memory file after file: fresh pages cost more than
        // reading into them.
        std::vector<std::uint8_t> bytes;
    };

    // A file to load: its name in its folder and its path from the chosen folder.
    struct Pending {
        std::string name;
        std::string path;
    };

    // What the cache is to keep of a file that was read.
    struct CacheStore {
        std::string folder;
        std::string name;
        FileStamp stamp;
        std::string value;
    };

    // What loading one file or member gave: a row, or the reason there is none (neither when
    // it was skipped: a folder that matches, or a stop request).
    struct Loaded {
        std::string path;
        std::optional<CatalogRow> row;
        std::optional<FileProblem> problem;
        std::optional<CacheStore> store;
    };

    // Loads `count` items in chunks and adds the rows and problems in item order, on all workers:
    // what the cache serves (`served` fills the result and says so) costs a look at the file, the
    // rest a read of it. The workers only read the cache's entries, each decoding its own.
    template <typename Load, typename Served>
    void LoadInOrder(std::size_t count, Load load, Served served) {
        std::vector<Loaded> results;
        for (std::size_t first = 0; first < count && !stop.stop_requested(); first += kLoadChunk) {
            std::size_t n = std::min(kLoadChunk, count - first);
            results.assign(n, Loaded{});
            loader.Run(n, [&](std::size_t i, int worker) {
                if (stop.stop_requested() || (cache && served(first + i, results[i]))) return;
                results[i] = load(first + i, worker);
            });
            for (Loaded& result : results) {
                if (result.path.empty()) continue;
                ShowFile(result.path);
                if (result.problem) {
                    Flush();
                    sink.Post(std::move(*result.problem));
                }
                if (result.row) Add(std::move(*result.row));
                if (result.store) cache->Store(result.store->folder, result.store->name, cacheContext, result.store->stamp, result.store->value);
            }
            if (cache) cache->Commit();
        }
    }

    // The members of one archive whose extension belongs to the kind: each is streamed through the
    // kind's reader as it is inflated, through its own directory entry, so that a member of any
    // size costs a few buffers. A member that cannot be read (or whose bytes do not check out
    // once they have all gone by) gives no row
    // but a problem naming the reason. An archive without a directory that can be read has its
    // members named by the local-header walk, and none of them can be read.
    void ListArchiveMembers(const std::vector<Readers>& readers, const Directory& dir,
                            const std::string& name, const std::string& path, const CacheEntries& cached,
                            const std::string& cacheFolder) {
        try {
            ZipStatus opened;
            const std::unique_ptr<ZipArchive> archive = ZipArchive::Open(dir.OpenFile(name, path), path, opened);
            std::vector<ArchiveMember> members;
            if (archive->HasDirectory()) {
                const auto& entries = archive->Entries();
                for (std::size_t i = 0; i < entries.size(); ++i) {
                    if (MemberBelongsToKind(entries[i].name, request.type)) {
                        members.push_back({entries[i].name, static_cast<std::int64_t>(i), entries[i].localHeaderOffset});
                    }
                }
            } else {
                WalkLocalHeaders(archive->Archive(), [&](const ZipMemberInfo& member) {
                    if (MemberBelongsToKind(member.name, request.type)) members.push_back({member.name, -1, member.localHeaderOffset});
                });
            }
            // A member's cache entry holds while its archive is as it was, for the same directory entry.
            std::optional<FileStamp> archiveStamp;
            struct stat info;
            if (cache && fstat(archive->Archive().Fd(), &info) == 0) archiveStamp = StampOf(info);
            auto memberKey = [&](std::size_t i) {
                return HashCache::EntryName(name, std::to_string(members[i].entry) + ":" +
                                                      std::to_string(members[i].localHeaderOffset) + ":" + members[i].name);
            };
            auto fromCache = [&](std::size_t i, Loaded& result) {
                const RowFile file{path, members[i]};
                const std::string shown = FilenameText(file);
                if (!archiveStamp || !FromCache(cached, memberKey(i), *archiveStamp, file, shown, result)) return false;
                result.path = shown;
                return true;
            };
            LoadInOrder(members.size(), [&](std::size_t i, int worker) {
                const RowFile file{path, members[i]};
                Loaded result{FilenameText(file)};
                try {
                    ZipStatus read = opened;
                    std::optional<ZipMemberStream> stream;
                    if (archive->HasDirectory()) {
                        read = {};
                        stream = archive->StreamEntry(static_cast<std::size_t>(members[i].entry), read);
                    }
                    const Readers& workerReaders = readers[static_cast<std::size_t>(worker)];
                    RomHeader& reader = *workerReaders.reader;
                    // The member's hashes are taken as its bytes stream by, for the reader and the
                    // hashes alike.
                    std::unique_ptr<StreamHasher> hasher;
                    if (stream) {
                        const auto size = static_cast<std::int64_t>(stream->Size());
                        if (workerReaders.probe) hasher = HasherFor(reader, *workerReaders.probe, size, path);
                        reader.LoadStream(size, path, [&](const ChunkVisitor& visit) {
                            std::int64_t at = 0;
                            read = stream->Run([&](std::span<const std::uint8_t> bytes) {
                                visit(at, bytes);
                                at += static_cast<std::int64_t>(bytes.size());
                                if (hasher) hasher->Feed(bytes);
                            });
                        });
                    }
                    if (!stream || !read.Ok()) {
                        result.problem = FileProblem{result.path, read.lines.empty() ? "cannot be read" : read.Reason()};
                        return result;
                    }
                    result.row = RowFrom(reader, file);
                    if (result.row->cells.size() > kFilenameColumn) result.row->cells[kFilenameColumn] = result.path;
                    const FileHashes hashes = hasher ? SettleHashes(request.dat.get(), hasher->Finish()) : FileHashes{};
                    if (archiveStamp) Keep(result, cacheFolder, memberKey(i), *archiveStamp, *result.row, hashes);
                    if (hasher) ApplyHashes(*result.row, request.type, request.dat.get(), hashes);
                } catch (const std::exception& e) {
                    result.problem = FileProblem{result.path, e.what()};
                }
                return result;
            }, fromCache);
        } catch (const std::exception& e) {
            Problem(path, e);
        }
    }

    // The Zip kind: every member of every archive, from its directory (or its local headers).
    void ListArchives(const Directory& dir, const std::string& prefix) {
        std::vector<DirectoryEntry> entries;
        if (!ReadEntries(dir, prefix, entries)) return;
        for (const DirectoryEntry& entry : entries) {
            if (stop.stop_requested()) return;
            if (entry.isDirectory || !HasExtension(entry.name, "zip")) continue;
            std::string path = prefix + entry.name;
            ShowFile(path);
            try {
                const ZipListing listing = ListZipMembers(dir.OpenFile(entry.name, path));
                for (std::size_t i = 0; i < listing.members.size(); ++i) {
                    const ZipMemberInfo& member = listing.members[i];
                    CatalogRow row;
                    row.file = {path, ArchiveMember{member.name, listing.fromDirectory ? static_cast<std::int64_t>(i) : -1,
                                                    member.localHeaderOffset}};
                    row.cells = {std::to_string(member.crc), FilenameText(row.file), std::to_string(member.compressedSize),
                                 std::to_string(member.uncompressedSize)};
                    Add(std::move(row));
                }
            } catch (const std::exception& e) {
                Problem(path, e);
            }
        }
        VisitSubfolders(dir, prefix, entries, [this](const Directory& child, const std::string& childPrefix) {
            ListArchives(child, childPrefix);
        });
    }

    template <typename Visit>
    void VisitSubfolders(const Directory& dir, const std::string& prefix, const std::vector<DirectoryEntry>& entries,
                         Visit visit) {
        if (!request.switches || !request.switches->subfolders.load()) return;
        for (const DirectoryEntry& entry : entries) {
            if (stop.stop_requested()) return;
            if (!entry.isDirectory) continue;
            std::string childPrefix = prefix + entry.name;
            try {
                Directory child = dir.OpenChild(entry.name, childPrefix);
                visit(child, childPrefix + kPathSeparator);
            } catch (const std::exception& e) {
                Problem(childPrefix, e);
            }
        }
    }

    bool ReadEntries(const Directory& dir, const std::string& prefix, std::vector<DirectoryEntry>& entries) {
        try {
            entries = dir.Entries();
            return true;
        } catch (const std::exception& e) {
            Problem(prefix.empty() ? request.folder : prefix, e);
            return false;
        }
    }

    // Of a split SNES set (NAMEA.078, NAMEB.078, ...) only the first part is listed; names whose
    // character before the dot is not a letter are listed as they are.
    bool IsLaterPartOfSplitSet(const std::string& path, std::string_view extension) const {
        if (request.type != RomType::Snes || (extension != "078" && extension != "058")) return false;
        auto dot = path.find_last_of('.');
        if (dot == std::string::npos || dot == 0) return false;
        char c = path[dot - 1];
        bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        return letter && c != 'A' && c != 'a';
    }

    // A file the cache knows as it is now is not opened at all (nor looked at twice in a folder the
    // cache knows nothing of).
    bool PlainFileFromCache(const Directory& dir, const Pending& pending, const CacheEntries& cached, Loaded& result) const {
        if (cached.empty()) return false;
        struct stat info;
        if (fstatat(dir.Fd(), pending.name.c_str(), &info, 0) != 0 || !S_ISREG(info.st_mode) ||
            !FromCache(cached, HashCache::EntryName(pending.name), StampOf(info), RowFile{pending.path}, pending.path, result)) {
            return false;
        }
        result.path = pending.path;
        return true;
    }

    Loaded LoadPlainFile(Readers& readers, const Directory& dir, const Pending& pending, const std::string& cacheFolder) {
        Loaded result{pending.path};
        try {
            File file = dir.OpenFile(pending.name, pending.path);  // a FIFO or device is refused, and named
            // The open's look at the file is taken before its bytes are read: a change meanwhile
            // moves the file's times past it, and the cache entry no longer holds.
            const FileStamp stamp = StampOf(file.InfoWhenOpened());
            const std::int64_t length = file.SizeWhenOpened();
            std::optional<FileHashes> hashes;
            if (request.HashesData()) {
                hashes = LoadAndHash(readers, file, length, pending.path);
            } else {
                readers.reader->LoadFile(file, pending.path, length);
            }
            result.row = RowFrom(*readers.reader, RowFile{pending.path});
            if (cache) Keep(result, cacheFolder, HashCache::EntryName(pending.name), stamp, *result.row, hashes.value_or(FileHashes{}));
            if (hashes) ApplyHashes(*result.row, request.type, request.dat.get(), *hashes);
        } catch (const FileError& e) {
            result.problem = FileProblem{pending.path, e.Message()};
        } catch (const std::exception& e) {
            result.problem = FileProblem{pending.path, e.what()};
        }
        return result;
    }

    // Loads the file into the reader and hashes it, reading it once for both: into memory, or a
    // very large one in chunks that both see.
    FileHashes LoadAndHash(Readers& readers, const File& file, std::int64_t length, const std::string& path) {
        RomHeader& reader = *readers.reader;
        FileHashes hashes;
        if (length <= kWholeReadLimit) {
            std::vector<std::uint8_t>& bytes = readers.bytes;
            bytes.resize(static_cast<std::size_t>(length));
            bytes.resize(file.ReadAt(0, bytes));  // a file that shrank meanwhile is what is there
            reader.LoadMemory(bytes, path);
            hashes = HashBytes(bytes, reader.DataForHashing(), HashChoiceFor(request.dat.get(), length));
            if (bytes.capacity() > kKeptBufferSize) bytes = {};
        } else {
            const std::unique_ptr<StreamHasher> hasher = HasherFor(reader, *readers.probe, length, path);
            reader.LoadFile(file, path, length, [&](std::int64_t, std::span<const std::uint8_t> bytes) { hasher->Feed(bytes); });
            hashes = hasher->Finish();
        }
        return SettleHashes(request.dat.get(), hashes);
    }

    // A hasher for a file of `length` bytes about to stream through `reader`: `probe` is loaded
    // with the file's first bytes alone to tell where its data lies.
    std::unique_ptr<StreamHasher> HasherFor(const RomHeader& reader, RomHeader& probe, std::int64_t length,
                                            const std::string& name) const {
        const auto head = static_cast<std::size_t>(std::max<std::int64_t>(reader.LeadingBytesRead(), 0));
        return std::make_unique<StreamHasher>(length, head, HashChoiceFor(request.dat.get(), length),
                                              [&probe, length, &name](std::span<const std::uint8_t> bytes) {
                                                  probe.LoadStream(length, name, [bytes](const ChunkVisitor& visit) { visit(0, bytes); });
                                                  return probe.DataForHashing();
                                              });
    }

    // The row of a file from its cache entry, when the entry holds for `stamp` and has all the
    // hashes the DAT needs. Column 1 is the path as listed now.
    bool FromCache(const CacheEntries& cached, const std::string& name, const FileStamp& stamp, RowFile file,
                   const std::string& shownPath, Loaded& result) const {
        const auto found = cached.find(name);
        if (found == cached.end() || !(found->second.stamp == stamp)) return false;
        std::optional<CachedRow> decoded = DecodeCachedRow(found->second.value);
        if (!decoded) return false;
        CachedRow& entry = *decoded;
        if (entry.cells.size() <= kFilenameColumn) return false;
        // A scan that hashes needs the entry's hashes; a plain one its columns alone.
        if (request.HashesData() && !HashesSuffice(request.dat.get(), entry.hashes)) return false;
        entry.cells[kFilenameColumn] = shownPath;
        result.row = CatalogRow{std::move(entry.cells), std::move(file)};
        if (request.HashesData()) ApplyHashes(*result.row, request.type, request.dat.get(), entry.hashes);
        return true;
    }

    // Notes what the cache is to keep of a file just read, unless the file changed so lately that
    // a change after the read could leave its times as they are (file times are coarser than
    // nanoseconds on many file systems).
    void Keep(Loaded& result, const std::string& folder, std::string name, const FileStamp& stamp, const CatalogRow& row,
              const FileHashes& hashes) const {
        if (std::max(stamp.modifiedNs, stamp.changedNs) >= cacheSafeBeforeNs) return;
        result.store = CacheStore{folder, std::move(name), stamp, EncodeCachedRow({row.cells, hashes})};
    }

    // The absolute folder the cache files a folder's entries under.
    std::string CacheFolder(const std::string& prefix) const {
        std::string folder = cacheRoot + (prefix.empty() ? "" : "/" + prefix);
        if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        return folder;
    }

    // The reader's column texts, until it has no more columns.
    CatalogRow RowFrom(const RomHeader& reader, RowFile file) const {
        return CatalogRow{ColumnTexts(reader), std::move(file)};
    }

    void Add(CatalogRow row) {
        rows.push_back(std::move(row));
        if (rows.size() >= kRowBatch || Due()) Flush();
    }

    void ShowFile(const std::string& path) {
        pendingStatus = path;
        if (Due()) Flush();
    }

    void Problem(const std::string& path, const std::exception& e) {
        Flush();
        if (const auto* fileError = dynamic_cast<const FileError*>(&e)) {
            sink.Post(FileProblem{path, fileError->Message()});
        } else {
            sink.Post(FileProblem{path, e.what()});
        }
    }

    bool Due() const { return std::chrono::steady_clock::now() - lastPost >= kPostInterval; }

    void Flush() {
        if (!rows.empty()) sink.Post(RowsFound{std::exchange(rows, {})});
        if (!pendingStatus.empty()) sink.Post(StatusText{kStatusFile, std::exchange(pendingStatus, {})});
        lastPost = std::chrono::steady_clock::now();
    }

    const ScanRequest& request;
    ScanEventSink& sink;
    std::stop_token stop;
    std::shared_ptr<HashCache> cache;  // null: the scan keeps nothing
    std::string cacheRoot;
    std::string cacheContext;
    std::int64_t cacheSafeBeforeNs = 0;
    std::shared_ptr<const KnownDumpList> knownList;
    ParallelLoader loader;
    std::vector<CatalogRow> rows;
    std::string pendingStatus;
    std::chrono::steady_clock::time_point lastPost = std::chrono::steady_clock::now();
};

}  // namespace

void ScanThread(const ScanRequest& request, ScanEventSink& sink, std::stop_token stop) {
    const auto started = std::chrono::steady_clock::now();
    sink.Post(ScanStarted{});
    try {
        Walk(request, sink, stop).Run();
    } catch (const std::exception& e) {
        // Whatever went wrong, the owner hears of it and of the end: it must not stay busy.
        sink.Post(FileProblem{request.folder, e.what()});
    }
    sink.Post(WalkDone{started, stop.stop_requested()});
}

Scanner::~Scanner() {
    RequestStop();
    Wait();
}

void Scanner::StartScan(ScanRequest request, ScanEventSink& sink) {
    RequestStop();
    Wait();
    worker = std::jthread([request = std::move(request), &sink](std::stop_token stop) {
        ScanThread(request, sink, stop);
    });
}

void Scanner::RequestStop() {
    if (worker.joinable()) worker.request_stop();
}

void Scanner::Wait() {
    if (worker.joinable()) worker.join();
}

}  // namespace vorne
