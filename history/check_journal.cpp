#include "history/check_journal.h"

#include "history/history_database.h"

CheckJournal::CheckJournal(QString path, CheckContext context, std::function<void(const QString&)> warn,
                           std::function<void()> written)
    : path_(std::move(path)),
      context_(std::move(context)),
      warn_(std::move(warn)),
      written_(std::move(written)),
      thread_([this] { work(); }) {
    post([this] {
        auto opened = HistoryDatabase::open(path_, true);
        if (auto* error = std::get_if<QString>(&opened)) return fail(*error);
        database_ = std::move(std::get<std::unique_ptr<HistoryDatabase>>(opened));
    });
}

CheckJournal::~CheckJournal() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

int CheckJournal::checkStarted(const RunRecord& record, const std::optional<QString>& card) {
    const int check = ++lastCheck_;
    CheckContext context = context_;
    if (card) context.card = *card;
    contexts_.insert(check, context);
    post([this, check, record, context] {
        if (failed_) return;
        auto inserted = database_->insert(record, context);
        if (auto* error = std::get_if<QString>(&inserted)) return fail(*error);
        rows_.insert(check, std::get<qint64>(inserted));
        if (written_) written_();
    });
    return check;
}

void CheckJournal::checkEnded(int check, const RunRecord& record) {
    const CheckContext context = contexts_.take(check);
    post([this, check, record, context] {
        if (failed_ || !rows_.contains(check)) return;
        if (auto error = database_->complete(rows_.take(check), record, context)) return fail(*error);
        if (written_) written_();
    });
}

void CheckJournal::flush() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

void CheckJournal::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

// The database lives and dies on this thread, as Qt's connections must.
void CheckJournal::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) break;  // stopping, with everything written
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
        lock.unlock();
        job();
        lock.lock();
        busy_ = false;
        if (jobs_.empty()) idle_.notify_all();
    }
    lock.unlock();
    database_.reset();
}

void CheckJournal::fail(const QString& message) {
    if (failed_) return;
    failed_ = true;
    database_.reset();
    warn_(message);
}
