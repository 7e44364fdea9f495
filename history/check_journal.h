#ifndef HISTORY_CHECK_JOURNAL_H
#define HISTORY_CHECK_JOURNAL_H

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include <QHash>
#include <QObject>

#include "history/run_record.h"

class HistoryDatabase;
class RunRecorder;

// Writes the checks that recorders follow into the history, in a thread of its own, so that no
// wait on the disk or on another program's lock ever reaches the windows or the card's timing.
// A check's row is written when it starts and completed when it ends. When the history cannot be
// used, warn is called once (on the journal's thread) with a Spanish message that names the file
// and the cause, and nothing more is written; the checks go on exactly as without a history.
class CheckJournal : public QObject {
    Q_OBJECT
public:
    CheckJournal(QString path, CheckContext context, std::function<void(const QString&)> warn);
    // Whatever was handed over is written before the journal goes.
    ~CheckJournal() override;

    // cardLabel, when given, names the card of each check as it starts, in place of the context's.
    void follow(RunRecorder& recorder, std::function<QString()> cardLabel = {});
    // Waits until everything handed over so far is written.
    void flush();
    const QString& path() const { return path_; }

private:
    void post(std::function<void()> job);
    void work();
    void fail(const QString& message);

    const QString path_;
    const CheckContext context_;
    std::function<void(const QString&)> warn_;
    struct RunningCheck {
        int check = 0;
        CheckContext context;
    };
    QHash<const QObject*, RunningCheck> runningChecks_;  // recorder -> its running check
    int lastCheck_ = 0;

    // Touched on the journal's thread only.
    std::unique_ptr<HistoryDatabase> database_;
    QHash<int, qint64> rows_;  // check -> its row
    bool failed_ = false;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> jobs_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

#endif
