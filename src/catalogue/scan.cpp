#include "catalogue/scan.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "archive/zip_reader.h"
#include "archive/zip_walk.h"
#include "catalogue/known_dumps.h"
#include "catalogue/parallel_loader.h"
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
constexpr std::size_t kRowBatch = 256;
constexpr auto kPostInterval = std::chrono::milliseconds(40);
// Files are loaded this many at a time on all cores, then handed on in order.
constexpr std::size_t kLoadChunk = 256;

class Walk {
public:
    Walk(const ScanRequest& request, ScanEventSink& sink, std::stop_token stop)
        : request(request), sink(sink), stop(std::move(stop)) {
        if (request.type == RomType::Nes) knownList = KnownDumpList::Load(request.knownDumpsPath);
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
            // One reader per worker, made afresh for each folder.
            std::vector<std::unique_ptr<RomHeader>> readers;
            for (int w = 0; w < loader.Threads(); ++w) readers.push_back(CreateReader(request.type, knownList));
            std::vector<Pending> files;
            for (std::string_view extension : Kind(request.type).extensions) {
                for (const DirectoryEntry& entry : entries) {
                    if (entry.isDirectory || !HasExtension(entry.name, extension)) continue;
                    std::string path = prefix + entry.name;
                    if (IsLaterPartOfSplitSet(path, extension)) continue;
                    files.push_back({entry.name, std::move(path)});
                }
            }
            LoadInOrder(files.size(), [&](std::size_t i, int worker) {
                return LoadPlainFile(*readers[static_cast<std::size_t>(worker)], dir, files[i]);
            });
            if (request.switches && request.switches->zipFiles.load()) {
                for (const DirectoryEntry& entry : entries) {
                    if (stop.stop_requested()) return;
                    if (entry.isDirectory || !HasExtension(entry.name, "zip")) continue;
                    std::string path = prefix + entry.name;
                    ShowFile(path);
                    ListArchiveMembers(readers, dir, entry.name, path);
                }
            }
        }
        VisitSubfolders(dir, prefix, entries, [this](const Directory& child, const std::string& childPrefix) {
            ScanFolder(child, childPrefix);
        });
    }

    // A file to load: its name in its folder and its path from the chosen folder.
    struct Pending {
        std::string name;
        std::string path;
    };

    // What loading one file or member gave: a row, or the reason there is none (neither when
    // it was skipped: a folder that matches, or a stop request).
    struct Loaded {
        std::string path;
        std::optional<CatalogRow> row;
        std::optional<FileProblem> problem;
    };

    // Loads `count` items on all workers, in chunks, and adds the rows and problems in item order.
    template <typename Load>
    void LoadInOrder(std::size_t count, Load load) {
        std::vector<Loaded> results;
        for (std::size_t first = 0; first < count && !stop.stop_requested(); first += kLoadChunk) {
            std::size_t n = std::min(kLoadChunk, count - first);
            results.assign(n, Loaded{});
            loader.Run(n, [&](std::size_t i, int worker) {
                if (!stop.stop_requested()) results[i] = load(first + i, worker);
            });
            for (Loaded& result : results) {
                if (result.path.empty()) continue;
                ShowFile(result.path);
                if (result.problem) {
                    Flush();
                    sink.Post(std::move(*result.problem));
                }
                if (result.row) Add(std::move(*result.row));
            }
        }
    }

    // The members of one archive whose extension belongs to the kind: each is read whole, through
    // its own directory entry, and decoded from memory. A member that cannot be read gives no row
    // but a problem naming the reason. An archive without a directory that can be read has its
    // members named by the local-header walk, and none of them can be read.
    void ListArchiveMembers(const std::vector<std::unique_ptr<RomHeader>>& readers, const Directory& dir,
                            const std::string& name, const std::string& path) {
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
            LoadInOrder(members.size(), [&](std::size_t i, int worker) {
                const RowFile file{path, members[i]};
                Loaded result{FilenameText(file)};
                try {
                    MemberData bytes;
                    const ZipStatus read =
                        archive->HasDirectory()
                            ? archive->ReadEntry(static_cast<std::size_t>(members[i].entry), bytes, {.budget = &loader.MemberBudget()})
                            : opened;
                    if (!read.Ok()) {
                        result.problem = FileProblem{result.path, read.lines.empty() ? "cannot be read" : read.Reason()};
                        return result;
                    }
                    RomHeader& reader = *readers[static_cast<std::size_t>(worker)];
                    reader.LoadMemory(bytes.Bytes(), path);
                    result.row = RowFrom(reader, file);
                    if (result.row->cells.size() > kFilenameColumn) result.row->cells[kFilenameColumn] = result.path;
                    if (request.HashesData()) {
                        AddHashes(*result.row, request.type, request.dat.get(), [&](HashChoice choice) {
                            return HashBytes(bytes.Bytes(), reader.DataForHashing(), choice);
                        });
                    }
                } catch (const std::exception& e) {
                    result.problem = FileProblem{result.path, e.what()};
                }
                return result;
            });
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

    Loaded LoadPlainFile(RomHeader& reader, const Directory& dir, const Pending& pending) {
        Loaded result{pending.path};
        try {
            File file = dir.OpenFile(pending.name, pending.path);  // a FIFO or device is refused, and named
            if (request.HashesData()) {
                LoadAndHash(reader, file, pending.path, result);
                return result;
            }
            reader.LoadFile(file, pending.path);
            result.row = RowFrom(reader, RowFile{pending.path});
        } catch (const FileError& e) {
            result.problem = FileProblem{pending.path, e.Message()};
        } catch (const std::exception& e) {
            result.problem = FileProblem{pending.path, e.what()};
        }
        return result;
    }

    // The file read once into memory, for the reader and the hashes; a very large one is read
    // by each in turn.
    void LoadAndHash(RomHeader& reader, const File& file, const std::string& path, Loaded& result) {
        const std::int64_t length = file.Size();
        std::vector<std::uint8_t> bytes;
        const bool inMemory = length <= kWholeReadLimit;
        if (inMemory) {
            file.ReadAll(bytes);
            reader.LoadMemory(bytes, path);
        } else {
            reader.LoadFile(file, path, length);
        }
        result.row = RowFrom(reader, RowFile{path});
        AddHashes(*result.row, request.type, request.dat.get(), [&](HashChoice choice) {
            return inMemory ? HashBytes(bytes, reader.DataForHashing(), choice)
                            : HashFile(file, length, reader.DataForHashing(), choice);
        });
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
