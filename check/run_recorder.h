#ifndef CHECK_RUN_RECORDER_H
#define CHECK_RUN_RECORDER_H

#include <functional>

#include <QObject>

#include "record/run_record.h"

class CheckJournal;
class Clock;
class Form3;

// Keeps the record of every check run on one test window, from the window's own signals, whatever
// shows it: a start button opens a record, the end of the sequence closes it as passed or failed.
// A check still open when the window goes, or when another one is started, closes as interrupted.
// Lives as long as the window does.
class RunRecorder : public QObject {
    Q_OBJECT
public:
    RunRecorder(Form3& window, Clock& clock);
    ~RunRecorder() override;

    bool running() const { return record_.outcome == Outcome::Running && record_.started.isValid(); }
    const RunRecord& record() const { return record_; }
    // Closes the running check, if any, as the caller says.
    void close(Outcome outcome, std::optional<int> exitStatus = std::nullopt);
    // Whether the end of the sequence closes the check at once (the default); otherwise whoever runs
    // it closes it after verdictReached, once it has done what it does at the end of a check.
    void setClosesOnVerdict(bool closes) { closesOnVerdict_ = closes; }
    // The inputs read with every output off after the check, for telling a card that does not answer.
    void noteInputsAtRest(qint16 inputs);

signals:
    void checkStarted(const RunRecord& record);
    void checkEnded(const RunRecord& record);
    // The test that runs now, 1 to 6.
    void testStarted(int test);
    // The sequence has ended with its verdict on the card.
    void verdictReached(bool passed);

private:
    void open(int firstTest);
    void startTest(int test);
    void sequenceEnded(bool passed);
    void endLastTest(Outcome outcome);

    Clock& clock_;
    RunRecord record_;
    bool closesOnVerdict_ = true;
};

// Every check the recorder follows goes into the journal; cardLabel, when given, names the card of
// each check as it starts.
void keepInJournal(RunRecorder& recorder, CheckJournal& journal, std::function<QString()> cardLabel = {});

#endif
