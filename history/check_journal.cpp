#include "history/check_journal.h"

#include "history/history_database.h"

CheckJournal::CheckJournal(QString path, CheckContext context, std::function<void(const QString&)> warn,
                           std::function<void()> written)
    : path_(std::move(path)), context_(std::move(context)), warn_(std::move(warn)), written_(std::move(written)) {
    thread_.post([this] {
        auto opened = HistoryDatabase::open(path_, true);
        if (auto* error = std::get_if<QString>(&opened)) return fail(*error);
        database_ = std::move(std::get<std::unique_ptr<HistoryDatabase>>(opened));
    });
}

// The database lives and dies on the journal's thread, as Qt's connections must.
CheckJournal::~CheckJournal() {
    thread_.post([this] { database_.reset(); });
    thread_.stop(-1);
}

int CheckJournal::checkStarted(const RunRecord& record, const std::optional<QString>& card) {
    const int check = ++lastCheck_;
    CheckContext context = context_;
    if (card) context.card = *card;
    contexts_.insert(check, context);
    thread_.post([this, check, record, context] {
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
    thread_.post([this, check, record, context] {
        if (failed_ || !rows_.contains(check)) return;
        if (auto error = database_->complete(rows_.take(check), record, context)) return fail(*error);
        if (written_) written_();
    });
}

void CheckJournal::flush() {
    thread_.flush();
}

void CheckJournal::fail(const QString& message) {
    if (failed_) return;
    failed_ = true;
    database_.reset();
    warn_(message);
}
