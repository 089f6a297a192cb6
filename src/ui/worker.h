// The one way the window runs work off its thread: a Worker runs jobs on a thread of its own, one
// after another. A job is told to stop through a flag it checks between steps; it hands its
// progress and its result back as calls queued to the worker's thread (the window's), which run
// there in the order they were posted. The window never waits for a job: only a worker that goes
// away waits for its running job, after telling it to stop, which takes as long as the job needs
// to look at its flag.
#pragma once

#include <QObject>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

namespace vorne::ui {

class Worker;

// What a job sees of its worker, on the worker's thread.
class WorkerJob {
public:
    // The job's stop flag: set by RequestStop, or when the worker goes.
    std::stop_token StopToken() const { return stop; }
    bool StopRequested() const { return stop.stop_requested(); }

    // Queues `call` to run on the worker's owner thread. Calls still queued when the worker goes
    // are dropped with it.
    void Post(std::function<void()> call) const;

    // Runs `call` on the owner's thread and waits for what it returns; nothing when the job is
    // told to stop before the answer comes (the call is then skipped if it has not begun).
    template <class Call>
    auto Ask(Call call) const -> std::optional<decltype(call())> {
        auto answer = std::make_shared<std::optional<decltype(call())>>();
        if (!RunAndWait([answer, call = std::move(call)]() mutable { *answer = call(); })) return std::nullopt;
        return std::move(*answer);
    }

private:
    friend class Worker;
    WorkerJob(Worker& worker, std::stop_token stop) : worker(worker), stop(std::move(stop)) {}
    bool RunAndWait(std::function<void()> call) const;

    Worker& worker;
    std::stop_token stop;
};

class Worker final : public QObject {
    Q_OBJECT

public:
    using Job = std::function<void(const WorkerJob& job)>;

    explicit Worker(QObject* parent = nullptr);
    // Tells the running job to stop, drops the waiting ones, and waits for the thread to end.
    ~Worker() override;

    // Queues `job`; it runs once the jobs before it have ended. `done` runs on this object's
    // thread after the calls the job posted.
    void Start(Job job, std::function<void()> done = {});
    // Tells the running job and those waiting behind it to stop. Each still runs, and its `done`
    // too, so that a job that must say how it ended always does; a job told to stop before it
    // began sees its flag set from the start.
    void RequestStop();

    // A job runs, waits, or has ended with its `done` still to run.
    bool Busy() const { return pending > 0; }

signals:
    // The last job's `done` has run and nothing else waits.
    void idle();

private:
    friend class WorkerJob;
    struct Queued {
        Job job;
        std::function<void()> done;
        std::stop_source stop;
    };
    void Loop();
    // Any thread: queues a call for the owner's thread and wakes it once for a burst of them.
    void Post(std::function<void()> call);
    // Owner thread: runs the calls queued so far. By name through the event loop, so that the
    // wake-up carries nothing across threads: the calls themselves pass under `postedMutex`.
    Q_INVOKABLE void RunPosted();
    void Finished(const std::function<void()>& done);

    std::mutex jobsMutex;
    std::condition_variable jobsChanged;
    std::deque<Queued> jobs;        // under `jobsMutex`, as are the two below
    std::stop_source running;       // of the job that runs
    bool quitting = false;

    std::mutex postedMutex;
    std::deque<std::function<void()>> posted;  // under `postedMutex`, as is the flag below
    bool wakeQueued = false;

    int pending = 0;     // owner thread only
    std::thread thread;  // started with the first job
};

}  // namespace vorne::ui
