#include "ui/worker.h"

#include <QMetaObject>
#include <utility>

namespace vorne::ui {

void WorkerJob::Post(std::function<void()> call) const { worker.Post(std::move(call)); }

bool WorkerJob::RunAndWait(std::function<void()> call) const {
    struct Answer {
        std::mutex mutex;
        std::condition_variable_any given;
        bool done = false;
    };
    auto answer = std::make_shared<Answer>();
    worker.Post([answer, call = std::move(call), stop = stop] {
        if (stop.stop_requested()) return;  // nobody waits for it any more
        call();
        {
            std::lock_guard lock(answer->mutex);
            answer->done = true;
        }
        answer->given.notify_all();
    });
    std::unique_lock lock(answer->mutex);
    // Wakes for the answer or for the stop flag, whichever comes first.
    return answer->given.wait(lock, stop, [&answer] { return answer->done; });
}

Worker::Worker(QObject* parent) : QObject(parent) {}

Worker::~Worker() {
    {
        std::lock_guard lock(jobsMutex);
        quitting = true;
        running.request_stop();
        jobs.clear();
    }
    jobsChanged.notify_all();
    if (thread.joinable()) thread.join();
    // The calls still queued go with `posted`; a wake-up still queued goes with this object.
}

void Worker::Start(Job job, std::function<void()> done) {
    ++pending;
    {
        std::lock_guard lock(jobsMutex);
        jobs.push_back({std::move(job), std::move(done)});
    }
    jobsChanged.notify_one();
    if (!thread.joinable()) thread = std::thread(&Worker::Loop, this);
}

void Worker::RequestStop() {
    std::lock_guard lock(jobsMutex);
    running.request_stop();
    for (Queued& waiting : jobs) waiting.stop.request_stop();
}

void Worker::Loop() {
    for (;;) {
        Queued next;
        std::stop_token stop;
        {
            std::unique_lock lock(jobsMutex);
            jobsChanged.wait(lock, [this] { return quitting || !jobs.empty(); });
            if (quitting) return;
            next = std::move(jobs.front());
            jobs.pop_front();
            running = next.stop;
            stop = running.get_token();
        }
        next.job(WorkerJob(*this, stop));
        Post([this, done = std::move(next.done)] { Finished(done); });
    }
}

void Worker::Post(std::function<void()> call) {
    bool wake = false;
    {
        std::lock_guard lock(postedMutex);
        posted.push_back(std::move(call));
        wake = !std::exchange(wakeQueued, true);
    }
    if (wake) QMetaObject::invokeMethod(this, "RunPosted", Qt::QueuedConnection);
}

void Worker::RunPosted() {
    // The calls that are here now; later ones wait for the next turn of the event loop, so that a
    // job that posts fast never keeps the window from its own events.
    std::size_t count = 0;
    {
        std::lock_guard lock(postedMutex);
        count = posted.size();
    }
    for (; count > 0; --count) {
        std::function<void()> call;
        {
            std::lock_guard lock(postedMutex);
            call = std::move(posted.front());
            posted.pop_front();
        }
        // A call may show a modal dialog: meanwhile the flag stays set, and the calls that come
        // wait behind it in order.
        call();
    }
    std::lock_guard lock(postedMutex);
    if (posted.empty()) {
        wakeQueued = false;
    } else {
        QMetaObject::invokeMethod(this, "RunPosted", Qt::QueuedConnection);
    }
}

void Worker::Finished(const std::function<void()>& done) {
    --pending;
    if (done) done();
    if (pending == 0) emit idle();
}

}  // namespace vorne::ui
