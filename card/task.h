#ifndef CARD_TASK_H
#define CARD_TASK_H

#include <coroutine>
#include <exception>
#include <functional>
#include <optional>
#include <utility>

// A sequence of steps with waits in it, written as one coroutine that is suspended at each wait and
// resumed by the event loop. It starts when it is awaited or started, and it owns its coroutine:
// destroying a Task destroys the suspended frame together with every Task it is awaiting, so a
// sequence given up at a wait never runs another step.
template <typename T = void>
class Task;

namespace task_detail {

struct PromiseBase {
    std::coroutine_handle<> continuation;  // the sequence awaiting this one
    std::function<void()> onFinished;      // a sequence started at the top, not awaited

    std::suspend_always initial_suspend() noexcept { return {}; }

    struct FinalAwaiter {
        bool await_ready() noexcept { return false; }
        template <typename Promise>
        std::coroutine_handle<> await_suspend(std::coroutine_handle<Promise> finished) noexcept {
            PromiseBase& promise = finished.promise();
            if (promise.continuation) return promise.continuation;
            // The owner may destroy this frame from the callback, so nothing of it is touched after.
            if (std::function<void()> done = std::move(promise.onFinished)) done();
            return std::noop_coroutine();
        }
        void await_resume() noexcept {}
    };
    FinalAwaiter final_suspend() noexcept { return {}; }
    // The card reports nothing by exceptions, and a sequence has nobody to report one to.
    void unhandled_exception() noexcept { std::terminate(); }
};

template <typename T>
struct Promise : PromiseBase {
    std::optional<T> value;
    void return_value(T result) { value = std::move(result); }
    T result() { return std::move(*value); }
};

template <>
struct Promise<void> : PromiseBase {
    void return_void() noexcept {}
    void result() {}
};

}  // namespace task_detail

template <typename T>
class [[nodiscard]] Task {
public:
    struct promise_type : task_detail::Promise<T> {
        Task get_return_object() { return Task(std::coroutine_handle<promise_type>::from_promise(*this)); }
    };

    Task(Task&& other) noexcept : handle_(std::exchange(other.handle_, {})) {}
    Task& operator=(Task&& other) noexcept {
        if (this != &other) {
            destroy();
            handle_ = std::exchange(other.handle_, {});
        }
        return *this;
    }
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;
    ~Task() { destroy(); }

    // Runs the sequence up to its first wait; onFinished is called when it has returned.
    void start(std::function<void()> onFinished) {
        handle_.promise().onFinished = std::move(onFinished);
        handle_.resume();
    }
    bool done() const { return handle_ && handle_.done(); }

    // Awaited by another sequence: runs until it returns, then gives back its result.
    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept {
        handle_.promise().continuation = awaiting;
        return handle_;
    }
    T await_resume() { return handle_.promise().result(); }

private:
    explicit Task(std::coroutine_handle<promise_type> handle) : handle_(handle) {}
    void destroy() {
        if (handle_) std::exchange(handle_, {}).destroy();
    }

    std::coroutine_handle<promise_type> handle_;
};

#endif
