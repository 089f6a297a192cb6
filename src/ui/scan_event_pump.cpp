#include "ui/scan_event_pump.h"

#include <QMetaObject>
#include <chrono>

namespace vorne::ui {

namespace {

// How long one turn may apply requests before the event loop gets its say again.
constexpr auto kTurn = std::chrono::milliseconds(12);

}  // namespace

ScanEventPump::ScanEventPump(Catalogue& catalogue, QObject* parent) : QObject(parent), catalogue(catalogue) {}

void ScanEventPump::Post(ScanEvent event) {
    bool wake = false;
    {
        std::lock_guard lock(mutex);
        queue.push_back(std::move(event));
        wake = !std::exchange(wakeQueued, true);
    }
    // One wake-up per burst: requests that arrive before the owner ran ride along.
    if (wake) QMetaObject::invokeMethod(this, &ScanEventPump::Drain, Qt::QueuedConnection);
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
        while (!queue.empty()) {
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
        ApplyOne(std::move(event));
        if (std::chrono::steady_clock::now() - start >= kTurn) {
            // More may wait: come back after the events the window has queued meanwhile.
            QMetaObject::invokeMethod(this, &ScanEventPump::Drain, Qt::QueuedConnection);
            return;
        }
    }
}

void ScanEventPump::DrainAll() {
    ScanEvent event;
    while (TakeNext(event)) ApplyOne(std::move(event));
}

void ScanEventPump::ApplyOne(ScanEvent event) {
    const bool last = std::holds_alternative<WalkDone>(event);
    catalogue.Apply(std::move(event));
    if (last) emit scanFinished();
}

}  // namespace vorne::ui
