#ifndef BATCH_BATCH_WINDOW_H
#define BATCH_BATCH_WINDOW_H

#include <functional>
#include <optional>

#include <QWidget>

#include "batch/history_query.h"
#include "batch/station_watch.h"
#include "card/clock.h"
#include "history/run_record.h"

class Card;
class CardCheck;
class CheckJournal;
class HistoryView;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableWidget;

// What the station is given at start.
struct BatchSetup {
    QString programFolder;                // the test window's picture files
    QString port;                         // the device, or "simulated"
    QString historyPath;                  // empty without a history
    CheckJournal* journal = nullptr;      // writes the checks into that history
    std::function<void(int)> endProgram;  // a signal's way out, with its exit status
};

// A station for a stack of cards: the card's number typed or scanned, the whole automatic sequence
// on a press of COMPROBAR, a verdict that stays until the next number, the session's cards and
// tally, a warning when the station's own wiring looks worn, and the history of every check.
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
    const QStringList& stationWarnings() const { return warnings_; }
    CardCheck& cardCheck() { return *check_; }
    HistoryView& historyView() { return *historyView_; }

    QLineEdit* number() const { return number_; }
    QPushButton* comprobar() const { return comprobar_; }
    QPushButton* parar() const { return parar_; }
    QLabel* headline() const { return headline_; }
    QLabel* diagnosis() const { return diagnosis_; }
    QLabel* volts() const { return volts_; }
    QProgressBar* progress() const { return progress_; }
    QLabel* runningTest() const { return runningTest_; }
    QListWidget* lastChecks() const { return lastChecks_; }
    QTableWidget* session() const { return session_; }
    QLabel* tally() const { return tally_; }

signals:
    void verdictShown(const RunRecord& record);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildStation();
    QWidget* buildVerdictPanel();
    QWidget* buildNumberRow();
    void buildShortcuts();
    void setPanel(const QString& headline, const QString& detail, const QColor& background);
    void showIdle();
    void showLastChecks(const QString& card);
    void checkEnded(const RunRecord& record);
    void showVerdict(const RunRecord& record);
    void addToSession(const RunRecord& record);
    void updateProgress();
    void announce(QWidget* widget);

    Card& card_;
    Clock& clock_;
    BatchSetup setup_;
    bool simulated_;
    HistoryReader reader_;
    CardCheck* check_;
    StationWatch watch_;
    QStringList warnings_;
    QString confirmed_;  // the number confirmed, empty until then
    QString checked_;    // the card of the running or last check
    qint64 checkStartedNs_ = 0;
    std::optional<qint64> lastPressNs_;
    Clock::Alarm progressAlarm_;
    int passed_ = 0;
    int failed_ = 0;

    QTabWidget* tabs_;
    QLabel* portLabel_;
    QFrame* panel_;
    QLabel* simulatedBanner_;
    QLabel* headline_;
    QLabel* diagnosis_;
    QLabel* volts_;
    QLineEdit* number_;
    QPushButton* comprobar_;
    QPushButton* parar_;
    QPushButton* salir_;
    QProgressBar* progress_;
    QLabel* runningTest_;
    QLabel* numberInfo_;
    QListWidget* lastChecks_;
    QLabel* stationWarning_;
    QLabel* tally_;
    QTableWidget* session_;
    HistoryView* historyView_;
};

#endif
