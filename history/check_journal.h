#ifndef HISTORY_CHECK_JOURNAL_H
#define HISTORY_CHECK_JOURNAL_H

#include <functional>
#include <memory>
#include <optional>

#include <QHash>
#include <QObject>

#include "record/run_record.h"
#include "work/work_thread.h"

class HistoryDatabase;

// Writes checks into the history, in a thread of its own, so that no
// wait on the disk or on another program's lock ever reaches the windows or the card's timing.
// A check's row is written when it starts and completed when it ends. When the history cannot be
// used, warn is called once (on the journal's thread) with a Spanish message that names the file
// and the cause, and nothing more is written; the checks go on exactly as without a history.
// written, when given, is called on the journal's thread after each row is written (a lab sender
// is woken by it).
class CheckJournal : public QObject {
    Q_OBJECT
public:
    CheckJournal(QString path, CheckContext context, std::function<void(const QString&)> warn,
                 std::function<void()> written = {});
    // Whatever was handed over is written before the journal goes.
    ~CheckJournal() override;

    // A check has started: its row is written with the journal's context, the card named by card
    // when one is given. Gives back the check's number for checkEnded.
    int checkStarted(const RunRecord& record, const std::optional<QString>& card = std::nullopt);
    // The same check at its end.
    void checkEnded(int check, const RunRecord& record);
    // Waits until everything handed over so far is written.
    void flush();
    const QString& path() const { return path_; }

private:
    void fail(const QString& message);

    const QString path_;
    const CheckContext context_;
    std::function<void(const QString&)> warn_;
    std::function<void()> written_;
    QHash<int, CheckContext> contexts_;  // running check -> its context
    int lastCheck_ = 0;

    // Touched on the journal's thread only.
    std::unique_ptr<HistoryDatabase> database_;
    QHash<int, qint64> rows_;  // check -> its row
    bool failed_ = false;

    WorkThread thread_;  // last: it ends before what its jobs use goes
};

#endif
