// What the window's scans take besides the folder: the kind's DAT file and the hash cache. The DAT
// is loaded on the scan's worker (a large one takes the better part of a second) and kept until
// its path or the file itself changes; the cache is the one vorne-cli uses, opened by the first
// scan and kept open. A DAT that cannot be read, or a cache that cannot be used, is
// said once in a message, and the scan goes on without it.
#pragma once

#include <QString>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "base/rom_type.h"
#include "cache/hash_cache.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "dat/dat_set.h"
#include "ui/worker.h"

class QWidget;

namespace vorne::ui {

class CUserPrompts;
class Settings;

// The DAT file set for `type`; empty for none, and for the kinds no DAT describes (MP3, Zip).
std::string DatPathOf(const Settings& settings, RomType type);

class ScanPreparation {
public:
    // `cachePath` empty: no cache.
    ScanPreparation(Catalogue& catalogue, CUserPrompts& prompts, QWidget* window, std::string cachePath = DefaultCachePath());

    // The scan's job, on the scanner's worker: gives `request` the DAT at `datPath` (none when
    // empty) and the cache; hands the catalogue the DAT before the scan's first
    // request reaches it (its columns change with it); then runs the scan into `sink`.
    void RunScan(ScanRequest request, const std::string& datPath, ScanEventSink& sink, const WorkerJob& job);

    // Window thread: the DAT loaded from `datPath` before, or null. Nothing is read.
    std::shared_ptr<const DatSet> LoadedDat(const std::string& datPath) const;

private:
    struct Loaded {
        std::optional<FileStamp> stamp;  // none: the file could not be looked at
        std::shared_ptr<const DatSet> dat;  // null: it could not be read
    };
    // The DAT at `path`, loaded again only when the file changed; `message` tells what a new load
    // found wrong (the reason it failed, or the ROMs it left out).
    std::shared_ptr<const DatSet> Load(const std::string& path, std::string& message);
    // The cache, opened the first time; `message` gets what opening it found wrong.
    std::shared_ptr<HashCache> Cache(std::string& message);
    void Say(const WorkerJob& job, const QString& title, const std::string& text);

    Catalogue& catalogue;
    CUserPrompts& prompts;
    QWidget* window;
    std::string cachePath;

    mutable std::mutex mutex;  // over `dats`; never held while a file is read
    std::map<std::string, Loaded> dats;
    std::shared_ptr<HashCache> cache;  // worker thread only
};

}  // namespace vorne::ui
