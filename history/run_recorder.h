#ifndef HISTORY_RUN_RECORDER_H
#define HISTORY_RUN_RECORDER_H

#include <QObject>

#include "history/run_record.h"

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
    // The program ends with the check (--auto): a verdict closes it with the program's exit status,
    // 0 for a good card and 1 for a failed test.
    void setEndsProgram(bool endsProgram) { endsProgram_ = endsProgram; }

signals:
    void checkStarted(const RunRecord& record);
    void checkEnded(const RunRecord& record);
    // The test that runs now, 1 to 6.
    void testStarted(int test);

private:
    void open(int firstTest);
    void startTest(int test);
    void sequenceEnded();

    Form3& window_;
    Clock& clock_;
    RunRecord record_;
    bool endsProgram_ = false;
};

#endif
