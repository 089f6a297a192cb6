// Carries the scan worker's requests to the thread that owns the catalogue. The worker only
// queues them; the owner's event loop applies them in turns of a few milliseconds, merging the
// row batches that arrived together into one insertion, so the window keeps answering however
// fast the disk delivers files. At the end the duplicate finder sorts and groups the rows on a
// worker of its own, and the rows come back sorted.
#pragma once

#include <QObject>
#include <QTimer>
#include <deque>
#include <mutex>

#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "ui/worker.h"

namespace vorne::ui {

class ScanEventPump final : public QObject, public ScanEventSink {
    Q_OBJECT

public:
    explicit ScanEventPump(Catalogue& catalogue, QObject* parent = nullptr);

    // Any thread: queues the request and wakes the owner's event loop.
    void Post(ScanEvent event) override;

    // Owner thread: applies every request queued so far, at once, the duplicate finder included
    // (tests, benchmarks).
    void DrainAll();
    // Owner thread: a new scan was started, whose walk follows the one that runs (told to stop).
    // The end of a walk that another follows is dropped: the window stays busy until the last
    // walk's end.
    void ScanRequested() { ++scansRequested; }

signals:
    // A scan's last request was applied.
    void scanFinished();

private:
    // Applies requests until the queue is empty or the turn's time is up, then yields. Woken by
    // name, so that the wake-up carries nothing across threads: the requests pass under `mutex`.
    Q_INVOKABLE void Drain();
    // Takes the next request, merged with the row batches that directly follow it.
    bool TakeNext(ScanEvent& event);
    void ApplyOne(ScanEvent event, bool finishAside);
    // Runs the duplicate finder on the rows of the finished walk on the finisher.
    void FinishAside(const WalkDone& done);

    Catalogue& catalogue;
    std::mutex mutex;
    std::deque<ScanEvent> queue;
    bool wakeQueued = false;
    // The next turn, after the window has handled what came meanwhile: a timer, because calls
    // posted from within a turn would still run in the same pass of the event loop.
    QTimer nextTurn;
    // Scans begun so far: the sorted rows of a scan that another has followed meanwhile are dropped.
    int scansStarted = 0;
    int scansRequested = 0;  // by ScanRequested
    // Last, so that it goes first: it waits for the duplicate finder, whose rows come back here.
    Worker finisher;
};

}  // namespace vorne::ui
