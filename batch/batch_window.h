#ifndef BATCH_BATCH_WINDOW_H
#define BATCH_BATCH_WINDOW_H

#include <functional>
#include <optional>

#include <QWidget>

#include "card/clock.h"
#include "history/history_reader.h"
#include "record/run_record.h"

class Card;
class CheckJournal;
class FiguresView;
class HistoryView;
class LastChecks;
class OffscreenCheck;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class SessionPanel;
class VerdictPanel;

// What the station is given at start.
struct BatchSetup {
    QString programFolder;                // the test window's picture files
    QString device;                       // the port's device; empty for the simulated card
    QString historyPath;                  // empty without a history
    QString labHistory;                   // the lab history the Historial tab reads; empty for none
    CheckJournal* journal = nullptr;      // writes the checks into that history
    std::function<void(int)> endProgram;  // a signal's way out, with its exit status
};

// A station for a stack of cards: the card's number typed or scanned, the whole automatic sequence
// on a press of COMPROBAR, a verdict that stays until the next number, the session's cards and
// tally, and the history of every check. It lays its parts out and wires them to the check.
class BatchWindow : public QWidget {
    Q_OBJECT
public:
    // The sequence's least time, from its waits and timer intervals.
    static constexpr int kSequenceMs = 36'500;
    static constexpr int kDoublePressMs = 1000;

    BatchWindow(Card& card, Clock& clock, BatchSetup setup);
    ~BatchWindow() override;

    // Enter in the number field: shows the card's last checks, never starts one.
    bool confirmNumber();
    // COMPROBAR: the whole sequence on the card whose number is in the field.
    void startCheck();
    // PARAR: the check is given up at once, the relays at 0.
    void stopCheck();
    // SIGINT, SIGTERM, SIGHUP: the check stopped, then the program ends with 128 + signal.
    void endOnSignal(int signal);
    // The port is gone (called inside the port operation that failed).
    void portLost();
    bool checking() const;
    // The lab history cannot be reached or refuses: a line under the port says why.
    void showLabProblem(const QString& message);

signals:
    void verdictShown(const RunRecord& record);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildStation();
    QWidget* buildNumberRow(QWidget* parent);
    void buildShortcuts();
    void showIdle();
    void checkEnded(const RunRecord& record);
    void updateProgress();

    Clock& clock_;
    BatchSetup setup_;
    HistoryReader reader_;  // the station's own history
    OffscreenCheck* check_;
    QString confirmed_;  // the number confirmed, empty until then
    QString checked_;    // the card of the running or last check
    qint64 checkStartedNs_ = 0;
    std::optional<qint64> lastPressNs_;
    Clock::Alarm progressAlarm_;

    VerdictPanel* verdict_;
    LastChecks* lastChecks_;
    SessionPanel* session_;
    HistoryView* historyView_;
    FiguresView* figuresView_;
    QLineEdit* number_;
    QPushButton* comprobar_;
    QPushButton* parar_;
    QProgressBar* progress_;
    QLabel* runningTest_;
    QLabel* labProblem_;
};

#endif
