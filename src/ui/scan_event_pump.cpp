#include "ui/scan_event_pump.h"

#include <QMetaObject>
#include <chrono>

#include "catalogue/duplicate_finder.h"

namespace vorne::ui {

namespace {

// How long one turn may apply requests before the event loop gets its say again.
constexpr auto kTurn = std::chrono::milliseconds(12);
// The most rows merged into one insertion: enough to spare the view many small ones, few enough
// that one insertion stays well inside a turn.
constexpr std::size_t kMaxMergedRows = 4096;

}  // namespace

ScanEventPump::ScanEventPump(Catalogue& catalogue, QObject* parent) : QObject(parent), catalogue(catalogue) {
    nextTurn.setSingleShot(true);
    nextTurn.setInterval(0);
    connect(&nextTurn, &QTimer::timeout, this, &ScanEventPump::Drain);
}

void ScanEventPump::Post(ScanEvent event) {
    bool wake = false;
    {
        std::lock_guard lock(mutex);
        queue.push_back(std::move(event));
        wake = !std::exchange(wakeQueued, true);
    }
    // One wake-up per burst: requests that arrive before the owner ran ride along.
    if (wake) QMetaObject::invokeMethod(this, "Drain", Qt::QueuedConnection);
}

bool ScanEventPump::TakeNext(ScanEvent& event) {
    std::lock_guard lock(mutex);
    if (queue.empty()) {
        wakeQueued = false;
        return false;
    }
    event = std::move(queue.front());
    queue.pop_front();
    if (auto* rows = std::get_if<RowsFound>(&event)) {
        while (!queue.empty() && rows->rows.size() < kMaxMergedRows) {
            auto* more = std::get_if<RowsFound>(&queue.front());
            if (more == nullptr) break;
            rows->rows.insert(rows->rows.end(), std::make_move_iterator(more->rows.begin()),
                              std::make_move_iterator(more->rows.end()));
            queue.pop_front();
        }
    }
    return true;
}

void ScanEventPump::Drain() {
    const auto start = std::chrono::steady_clock::now();
    ScanEvent event;
    while (TakeNext(event)) {
        ApplyOne(std::move(event), true);
        if (std::chrono::steady_clock::now() - start >= kTurn) {
            // More may wait: come back after the events the window has queued meanwhile.
            nextTurn.start();
            return;
        }
    }
}

void ScanEventPump::DrainAll() {
    ScanEvent event;
    while (TakeNext(event)) ApplyOne(std::move(event), false);
}

void ScanEventPump::ApplyOne(ScanEvent event, bool finishAside) {
    if (std::holds_alternative<ScanStarted>(event)) ++scansStarted;
    if (const auto* done = std::get_if<WalkDone>(&event)) {
        // Every walk begins with ScanStarted: while fewer have begun than were asked for, this walk
        // is followed by another, whose start clears its rows.
        if (scansStarted < scansRequested) return;
        if (finishAside) {
            FinishAside(*done);
            return;
        }
        catalogue.Apply(std::move(event));
        emit scanFinished();
        return;
    }
    catalogue.Apply(std::move(event));
}

void ScanEventPump::FinishAside(const WalkDone& done) {
    // Sorting 100,000 rows takes longer than a window may stand still: the rows go to the
    // finisher and come back sorted and grouped. Nothing else touches them meanwhile.
    auto rows = std::make_shared<CatalogModel>(catalogue.TakeRowsToFinish());
    finisher.Start([this, rows, type = catalogue.Type(), rule = catalogue.Rule(), done, scan = scansStarted](const WorkerJob& job) {
        const int unique = FindDuplicates(*rows, type, [](int, std::string) {}, rule);
        job.Post([this, rows, unique, done, scan] {
            if (scan != scansStarted) return;  // a new scan has begun: its rows are the list's now
            catalogue.FinishWith(std::move(*rows), unique, done);
            emit scanFinished();
        });
    });
}

}  // namespace vorne::ui
