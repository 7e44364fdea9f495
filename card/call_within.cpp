#include "card/call_within.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <memory>
#include <mutex>
#include <thread>

#include <pthread.h>

namespace {

constexpr int kInterruptSignal = SIGUSR1;

// Installed once and kept: a signal still on its way to a thread that was left must not end the
// program when it arrives.
void installInterruptHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;  // no SA_RESTART: the interrupted call returns EINTR
        sigaction(kInterruptSignal, &action, nullptr);
    });
}

struct Shared {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    bool left = false;
    int result = 0;
    std::function<void(int)> whenLeft;
};

}  // namespace

std::optional<int> callWithin(std::function<int()> call, int timeoutMs, int graceMs,
                              std::function<void(int)> whenLeft) {
    using namespace std::chrono;
    installInterruptHandler();
    auto shared = std::make_shared<Shared>();
    shared->whenLeft = std::move(whenLeft);
    std::thread thread([shared, call = std::move(call)] {
        sigset_t interrupt;
        sigemptyset(&interrupt);
        sigaddset(&interrupt, kInterruptSignal);
        pthread_sigmask(SIG_UNBLOCK, &interrupt, nullptr);
        const int result = call();
        std::unique_lock lock(shared->mutex);
        shared->done = true;
        shared->result = result;
        if (!shared->left) {
            shared->ended.notify_all();
            return;
        }
        lock.unlock();
        shared->whenLeft(result);
    });

    std::unique_lock lock(shared->mutex);
    const auto done = [&] { return shared->done; };
    bool interrupted = false;
    if (!shared->ended.wait_for(lock, milliseconds(timeoutMs), done)) {
        interrupted = true;
        // Again and again: a signal that comes before the call has begun to sleep is lost on it.
        const auto giveUp = steady_clock::now() + milliseconds(graceMs);
        while (!done() && steady_clock::now() < giveUp) {
            pthread_kill(thread.native_handle(), kInterruptSignal);
            shared->ended.wait_for(lock, milliseconds(1), done);
        }
    }
    if (!done()) {
        shared->left = true;
        thread.detach();
        return std::nullopt;
    }
    lock.unlock();
    thread.join();
    if (interrupted && shared->result == EINTR) return ETIMEDOUT;
    return shared->result;
}
