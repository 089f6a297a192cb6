// The folder scan: a worker thread walks the chosen folder (and, when asked, its subfolders and
// zip archives), hands every file of the kind to the kind's reader, and sends the rows to the
// thread that owns the catalogue. The worker never touches the catalogue itself.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>
#include <variant>
#include <vector>

#include "catalogue/catalog_model.h"
#include "catalogue/status_parts.h"
#include "base/rom_type.h"
#include "dat/dat_set.h"

namespace vorne {

// The two check boxes, read afresh for every folder the scan visits.
struct ScanSwitches {
    std::atomic<bool> subfolders{false};
    std::atomic<bool> zipFiles{false};
};

struct ScanRequest {
    RomType type = RomType::Nes;
    std::string folder;           // the chosen folder; rows name files relative to it
    std::shared_ptr<const ScanSwitches> switches;
    std::string knownDumpsPath;   // the known-dump list the NES reader uses
    // With a DAT, every file's data is hashed and checked against it, and the rows gain the
    // columns "DAT Name" and "DAT Match".
    std::shared_ptr<const DatSet> dat;
    // Hash every file's data even without a DAT (to find duplicates by their data).
    bool hashData = false;
    bool HashesData() const { return dat || hashData; }
};

// The requests the worker sends, in order: ScanStarted, then rows, status texts and problems, and
// WalkDone last.
struct ScanStarted {};
struct RowsFound {
    std::vector<CatalogRow> rows;
};
struct StatusText {
    int part = 0;
    std::string text;
};
// A file or folder that could not be read: it gives no row.
struct FileProblem {
    std::string path;
    std::string message;
};
struct WalkDone {
    std::chrono::steady_clock::time_point started;
    bool stopped = false;  // the scan was asked to stop before it finished
};
using ScanEvent = std::variant<ScanStarted, RowsFound, StatusText, FileProblem, WalkDone>;

// Carries the worker's requests to the owner of the catalogue (a queue, or the UI's event loop).
class ScanEventSink {
public:
    virtual ~ScanEventSink() = default;
    virtual void Post(ScanEvent event) = 0;
};

// The walk itself; runs on the calling thread. Checks `stop` between files.
void ScanThread(const ScanRequest& request, ScanEventSink& sink, std::stop_token stop);

// Runs scans on a worker thread, one at a time.
class Scanner {
public:
    ~Scanner();  // stops a running scan and waits for it
    // Starts the scan; a scan still running is stopped and waited for first.
    void StartScan(ScanRequest request, ScanEventSink& sink);
    void RequestStop();
    void Wait();

private:
    std::jthread worker;
};

// Whether an archive member is of the kind: its extension, the text after the last dot of its
// name (the whole name when it has none), is one of the kind's, in any case.
bool MemberBelongsToKind(std::string_view memberName, RomType type);

}  // namespace vorne
