// A blocking queue of scan requests, for owners without an event loop (the CLI, the tests).
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>

#include "catalogue/scan.h"

namespace vorne {

class ScanEventQueue : public ScanEventSink {
public:
    void Post(ScanEvent event) override {
        {
            std::lock_guard lock(mutex);
            events.push_back(std::move(event));
        }
        ready.notify_one();
    }

    // Waits for the next request.
    ScanEvent Take() {
        std::unique_lock lock(mutex);
        ready.wait(lock, [this] { return !events.empty(); });
        ScanEvent event = std::move(events.front());
        events.pop_front();
        return event;
    }

private:
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<ScanEvent> events;
};

// Runs one scan on a worker thread and applies its requests to `catalogue` on this thread until
// the scan is done.
class Catalogue;
void RunScan(Catalogue& catalogue, const ScanRequest& request);

}  // namespace vorne
