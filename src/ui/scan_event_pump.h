// Carries the scan worker's requests to the thread that owns the catalogue. The worker only
// queues them; the owner's event loop applies them in turns of a few milliseconds, merging the
// row batches that arrived together into one insertion, so the window keeps answering however
// fast the disk delivers files.
#pragma once

#include <QObject>
#include <deque>
#include <mutex>

#include "catalogue/catalogue.h"
#include "catalogue/scan.h"

namespace vorne::ui {

class ScanEventPump final : public QObject, public ScanEventSink {
    Q_OBJECT

public:
    explicit ScanEventPump(Catalogue& catalogue, QObject* parent = nullptr);

    // Any thread: queues the request and wakes the owner's event loop.
    void Post(ScanEvent event) override;

    // Owner thread: applies every request queued so far, at once (tests, shutdown).
    void DrainAll();

signals:
    // A scan's last request was applied.
    void scanFinished();

private:
    // Applies requests until the queue is empty or the turn's time is up, then yields.
    void Drain();
    // Takes the next request, merged with the row batches that directly follow it.
    bool TakeNext(ScanEvent& event);
    void ApplyOne(ScanEvent event);

    Catalogue& catalogue;
    std::mutex mutex;
    std::deque<ScanEvent> queue;
    bool wakeQueued = false;
};

}  // namespace vorne::ui
