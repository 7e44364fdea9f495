#ifndef WORK_WORK_THREAD_H
#define WORK_WORK_THREAD_H

#include <functional>
#include <memory>
#include <mutex>

class QObject;

// The one way the program works off a window's thread: a thread of its own that runs the jobs
// posted to it one at a time, in the order they came. Whatever a job needs that belongs to one
// thread (a database connection) is made, used and closed by jobs, on this thread.
//
// The one rule for what a window that closes, or the program's end, waits for: stop() lets the
// thread finish what was posted, then end, and waits for that at most a given time. A thread that
// is still working then (a job that waits on a server that does not answer) cannot be ended from
// outside: it is left to end by itself, so whatever its jobs use must outlive the wait (hand it to
// the jobs by shared_ptr, or keep the object alive).
class WorkThread {
public:
    WorkThread();
    // stop(-1): everything posted runs first; nothing more once a stop has left the thread.
    ~WorkThread();
    WorkThread(const WorkThread&) = delete;
    WorkThread& operator=(const WorkThread&) = delete;

    void post(std::function<void()> job);
    // Waits until every job posted so far has run.
    void flush();
    // Lets the thread run what was posted and end; waits at most waitMs (forever when negative).
    // True once it has ended; false when it still works, and is left to end by itself.
    bool stop(int waitMs);

private:
    struct Queue;
    std::shared_ptr<Queue> queue_;
    bool left_ = false;  // a stop gave up waiting: the thread ends by itself
};

// Answers from a work thread to an object on its own thread (a window's part): each goes as a
// queued call on that object, until the object closes the channel, first thing in its destructor;
// later answers are dropped. Safe from any thread.
class ReplyChannel {
public:
    explicit ReplyChannel(QObject* receiver) : receiver_(receiver) {}
    void send(std::function<void()> call);
    void close();

private:
    std::mutex mutex_;
    QObject* receiver_;
};

#endif
