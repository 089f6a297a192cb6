#include "ui/scan_preparation.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "ui/byte_text.h"
#include "ui/options_dialog.h"
#include "ui/settings.h"
#include "ui/user_prompts.h"

namespace vorne::ui {

namespace {

const QString kDatTitle = QStringLiteral("DAT File");
const QString kCacheTitle = QStringLiteral("Hash Cache");

std::optional<FileStamp> StampAt(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return std::nullopt;
    return StampOf(info);
}

// Passes the scan's requests on, keeping back the cache's warnings (the scan reports them as
// problems of the cache file), which the window shows in a message instead of a row's place.
class CacheWarnings final : public ScanEventSink {
public:
    CacheWarnings(ScanEventSink& sink, std::string cachePath) : sink(sink), cachePath(std::move(cachePath)) {}
    void Post(ScanEvent event) override {
        if (const auto* problem = std::get_if<FileProblem>(&event); problem && problem->path == cachePath) {
            text += (text.empty() ? "" : "\n") + problem->path + ": " + problem->message;
            return;
        }
        sink.Post(std::move(event));
    }
    std::string text;

private:
    ScanEventSink& sink;
    std::string cachePath;
};

}  // namespace

std::string DatPathOf(const Settings& settings, RomType type) {
    if (static_cast<int>(type) >= kDatKinds) return {};
    return ToBytes(settings.DatFile(type));
}

ScanPreparation::ScanPreparation(Catalogue& catalogue, CUserPrompts& prompts, QWidget* window, std::string cachePath)
    : catalogue(catalogue), prompts(prompts), window(window), cachePath(std::move(cachePath)) {}

std::shared_ptr<const DatSet> ScanPreparation::LoadedDat(const std::string& datPath) const {
    std::lock_guard lock(mutex);
    const auto found = dats.find(datPath);
    return found != dats.end() ? found->second.dat : nullptr;
}

std::shared_ptr<const DatSet> ScanPreparation::Load(const std::string& path, std::string& message) {
    const std::optional<FileStamp> stamp = StampAt(path);
    {
        std::lock_guard lock(mutex);
        const auto found = dats.find(path);
        // The same file as before (or still none to look at): what it gave then, and nothing to say.
        if (found != dats.end() && found->second.stamp == stamp) return found->second.dat;
    }
    Loaded loaded{stamp, nullptr};
    try {
        loaded.dat = LoadDatSet(path);
        message = loaded.dat->file.SkippedWarning(path);
    } catch (const std::exception& e) {
        message = std::string(e.what()) + "\nThe list is scanned without a DAT.";
    }
    std::lock_guard lock(mutex);
    dats[path] = loaded;
    return loaded.dat;
}

std::shared_ptr<HashCache> ScanPreparation::Cache(std::string& message) {
    if (cache || cachePath.empty()) return cache;
    cache = std::make_shared<HashCache>(cachePath);
    for (const std::string& warning : cache->TakeWarnings()) message += (message.empty() ? "" : "\n") + cachePath + ": " + warning;
    return cache;
}

void ScanPreparation::Say(const WorkerJob& job, const QString& title, const std::string& text) {
    if (text.empty()) return;
    job.Post([this, title, text = FromBytes(text)] { prompts.Message(window, title, text, PromptIcon::Warning); });
}

void ScanPreparation::RunScan(ScanRequest request, const std::string& datPath, ScanEventSink& sink, const WorkerJob& job) {
    std::string datMessage;
    if (!datPath.empty()) request.dat = Load(datPath, datMessage);
    std::string cacheMessage;
    // Every scan keeps its files' columns (and hashes) in the cache vorne-cli shares, so that the
    // next one reads only what changed.
    request.cache = Cache(cacheMessage);
    // Before the scan's first request: the rows it sends have the DAT's columns. A job told to
    // stop meanwhile scans (and ends at once) with what the catalogue has.
    const bool handed = job.Ask([this, dat = request.dat] {
                               if (catalogue.SharedDat() != dat) catalogue.SetDat(dat);
                               return true;
                           }).has_value();
    if (!handed) request.dat = nullptr;
    Say(job, kDatTitle, datMessage);
    Say(job, kCacheTitle, cacheMessage);
    CacheWarnings warnings(sink, request.cache ? request.cache->Path() : std::string());
    ScanThread(request, warnings, job.StopToken());
    Say(job, kCacheTitle, warnings.text);
}

}  // namespace vorne::ui
