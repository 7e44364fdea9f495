#include "check/run_recorder.h"

#include "autotest/form3.h"
#include "card/clock.h"
#include "history/check_journal.h"
#include "widgets/list_box.h"

RunRecorder::RunRecorder(Form3& window, Clock& clock) : QObject(&window), clock_(clock) {
    connect(&window, &Form3::sequenceStarted, this, &RunRecorder::open);
    connect(window.List2, &ListBox::lineAdded, this, [this](const QString& line) {
        if (running()) record_.lines << line;
    });
    connect(&window, &Form3::testStarted, this, &RunRecorder::startTest);
    // A check fails only in the tick of the test that started last.
    connect(&window, &Form3::inputsWrong, this, [this](const FailedCheck& check) {
        if (running() && !record_.tests.isEmpty()) record_.tests.last().failures << check;
    });
    connect(&window, &Form3::analogInputsRead, this, [this](const AnalogVolts& volts) {
        if (running()) record_.analog << volts;
    });
    connect(&window, &Form3::sequenceEnded, this, &RunRecorder::sequenceEnded);
}

// The window goes (back to the menu, the end of the program) with its check unfinished.
RunRecorder::~RunRecorder() {
    close(Outcome::Interrupted);
}

// A check started over the running one cuts it short.
void RunRecorder::open(int firstTest) {
    close(Outcome::Interrupted);
    record_ = RunRecord{};
    record_.kind = firstTest == 6 ? CheckKind::Analog : CheckKind::Sequence;
    record_.started = QDateTime::currentDateTime();
    emit checkStarted(record_);
}

// A test's timer starts only once the test before it has passed.
void RunRecorder::startTest(int test) {
    if (!running()) return;
    endLastTest(Outcome::Pass);
    record_.tests << TestRecord{test, Outcome::Running, clock_.nowNs(), 0, {}, {}};
    emit testStarted(test);
}

void RunRecorder::sequenceEnded(bool passed) {
    if (!running()) return;
    // Test 6 judges the readings of its last tick only.
    if (!passed && !record_.tests.isEmpty() && record_.tests.last().test == 6 && !record_.analog.isEmpty())
        record_.tests.last().failedReading = record_.analog.last();
    // The last test ends with the verdict, whatever the check still does before it closes.
    endLastTest(passed ? Outcome::Pass : Outcome::Fail);
    emit verdictReached(passed);
    if (closesOnVerdict_) close(passed ? Outcome::Pass : Outcome::Fail);
}

void RunRecorder::noteInputsAtRest(qint16 inputs) {
    if (running()) record_.inputsAtRest = inputs;
}

// The running test ends with the check.
void RunRecorder::close(Outcome outcome, std::optional<int> exitStatus) {
    if (!running()) return;
    endLastTest(outcome);
    record_.outcome = outcome;
    record_.exitStatus = exitStatus;
    record_.finished = QDateTime::currentDateTime();
    emit checkEnded(record_);
}

void RunRecorder::endLastTest(Outcome outcome) {
    if (record_.tests.isEmpty() || record_.tests.last().outcome != Outcome::Running) return;
    record_.tests.last().outcome = outcome;
    record_.tests.last().endedNs = clock_.nowNs();
}

void keepInJournal(RunRecorder& recorder, CheckJournal& journal, std::function<QString()> cardLabel) {
    auto running = std::make_shared<int>(0);  // the journal's number of the recorder's running check
    QObject::connect(&recorder, &RunRecorder::checkStarted, &journal,
                     [&journal, running, cardLabel](const RunRecord& record) {
                         *running = journal.checkStarted(record, cardLabel ? std::optional(cardLabel()) : std::nullopt);
                     });
    QObject::connect(&recorder, &RunRecorder::checkEnded, &journal,
                     [&journal, running](const RunRecord& record) { journal.checkEnded(*running, record); });
}
