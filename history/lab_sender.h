#ifndef HISTORY_LAB_SENDER_H
#define HISTORY_LAB_SENDER_H

#include <atomic>
#include <functional>
#include <optional>

#include <QString>

#include "work/work_thread.h"

class HistoryDatabase;
class LabDatabase;

// A station's own history is its record of truth and the outbox of the lab history: the journal
// marks every row it writes as waiting (sent = 0), and the checks that wait go to the lab as an
// upsert on their uuid, then are marked sent. Sending twice changes nothing, so a check sent but
// not yet marked (a power cut between the two) is merely sent again. A check left running by a
// program that is gone goes as interrupted; one kept before the station had a lab history goes,
// once, with the station's name.

struct SendTally {
    int sent = 0;
    int waiting = 0;                 // checks that still wait, those the lab refused among them
    std::optional<QString> problem;  // why they wait, in Spanish
    bool historyUnusable = false;    // the problem is the station's own history: nothing was tried
};

// Sends what waits, a batch at a time. A check that the lab refuses for a reason of its own (its
// uuid already there under another station's login, a value the server does not take) stays
// waiting, is named in the problem with why, and is tried again at the next round; the checks after
// it go. Every call may wait on the network.
SendTally sendWaiting(HistoryDatabase& local, LabDatabase& lab, const QString& station);
// One round, as --history-sync and the sender both make it: opens the station's history at
// historyPath (nothing to do while it does not exist) and the lab's, and sends what waits.
SendTally syncRound(const QString& historyPath, const QString& connection, const QString& station);

// Sends on a thread of its own, with connections of its own, at its start and whenever woken (the
// journal wakes it after each write): nothing on the windows' thread or in a check's timing ever
// waits on the network. When the lab cannot be reached or refuses, warn is called (on the sender's
// thread) once, with a Spanish message that says why, and again only after the lab has answered or
// when the reason changes (a refused check, then the server gone).
class LabSender {
public:
    LabSender(QString historyPath, QString connection, QString station, std::function<void(const QString&)> warn);
    LabSender(const LabSender&) = delete;
    LabSender& operator=(const LabSender&) = delete;
    // Only once stop() has said true.
    ~LabSender();

    void wake();
    // Asks the sender to stop once it has sent what it was woken for, and waits at most waitMs
    // (forever when negative) for it. False: it still sends, or waits on the network (a connect or a query that the
    // server does not answer); the thread cannot be ended from outside then, so the object must be left alive.
    bool stop(int waitMs);

private:
    void sendNow();

    const QString historyPath_;
    const QString connection_;
    const QString station_;
    std::function<void(const QString&)> warn_;
    std::optional<QString> warned_;  // the problem last warned of; on the sender's thread only

    std::atomic<bool> woken_ = false;  // a round is posted and has not begun
    WorkThread thread_;                // last: it ends before what its jobs use goes
};

#endif
