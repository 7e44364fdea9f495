#ifndef HISTORY_HISTORY_FIGURES_H
#define HISTORY_HISTORY_FIGURES_H

#include <array>
#include <optional>
#include <variant>

#include <QDate>
#include <QJsonDocument>
#include <QList>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include "history/checks_table.h"

// What a lab learns from its checks: counts, yields, which connection fails, stations that stand
// out and the analog readings, over the checks a filter lets through, counted by the database and
// read the same from a station's own history and from the lab's.

// The connections counted: digital inputs 0 to 7, analog inputs 1 to 4, and the card not
// answering (which then counts for no input).
constexpr int kConnections = 13;
constexpr int kSilentConnection = 12;
// "entrada 3", "entrada analógica 4", "la tarjeta no responde".
QString connectionName(int connection);

// The distribution's bins: a twentieth of a volt each.
constexpr int kVoltBinsPerVolt = 20;

// Readings of one analog input (the last of test 6 of each check that reached it).
struct VoltFigures {
    qint64 readings = 0;
    double sum = 0;
    double squares = 0;
    double min = 0;
    double max = 0;
    qint64 outOfRange = 0;

    double mean() const { return readings ? sum / double(readings) : 0; }
    double sd() const;  // of the population
    void add(const VoltFigures& other);
};

struct DayFigures {
    QDate day;  // local
    int passed = 0;
    int failed = 0;
    std::array<VoltFigures, 4> volts{};
};

struct StationFigures {
    QString station;  // empty for checks kept before stations were named
    int checks = 0;
    int failed = 0;
    std::array<int, kConnections> connections{};  // failed checks naming each
};

struct HistoryFigures {
    // Every check in the filters: passed, failed, interrupted (a running one whose program is gone
    // included) and still running.
    int checks = 0;
    int passed = 0;
    int failed = 0;
    int interrupted = 0;
    int cards = 0;  // distinct labels among them all
    // The labelled cards with a passed or failed check of the whole sequence, and those whose
    // earliest and latest such check passed.
    int yieldCards = 0;
    int firstPassed = 0;
    int finalPassed = 0;
    // Failed checks naming each connection (broken or crossed, each check once), and of inputs 0 to
    // 7 those naming them broken and crossed.
    std::array<int, kConnections> connections{};
    std::array<int, 8> broken{};
    std::array<int, 8> crossed{};
    bool connectionsCounted = true;  // false: the history cannot tell (see checks_table.h)
    std::array<VoltFigures, 4> analog{};
    std::array<QMap<int, int>, 4> voltBins;  // bin (volts × kVoltBinsPerVolt, rounded down) → readings
    QList<DayFigures> days;                  // oldest first
    QList<StationFigures> stations;          // by name

    std::optional<double> firstPassYield() const;
    std::optional<double> finalYield() const;
};

// Reads them, all but the days; the connection lives in the calling thread.
std::variant<HistoryFigures, QSqlError> readFigures(QSqlDatabase database, Store store, int schemaVersion,
                                                    bool connectionsCounted, const HistoryFilter& filter);
// Reads the days, which may go on a connection of their own at the same time: a lab's days are in
// timeZone (an IANA name), a station's own history's in local time.
std::variant<QList<DayFigures>, QSqlError> readDays(QSqlDatabase database, Store store, int schemaVersion,
                                                    const HistoryFilter& filter, const QString& timeZone);

// A connection and the failed checks that name it.
struct ConnectionCount {
    int connection = 0;
    int failedChecks = 0;
    int broken = 0;   // inputs 0 to 7
    int crossed = 0;  // likewise
};
// Every connection that failed, most failed first.
QList<ConnectionCount> failingConnections(const HistoryFigures& figures);

// A station whose share of checks failing on one connection is at least kStandOutRatio times the
// rest of the lab's, with at least kStandOutFailures such checks.
constexpr int kStandOutRatio = 3;
constexpr int kStandOutFailures = 5;
struct StandingOut {
    QString station;
    int connection = 0;
    int failedChecks = 0;
    double share = 0;
    double restShare = 0;
};
QList<StandingOut> standingOut(const HistoryFigures& figures);
// "Puesto 07: la entrada 3 falla en el 38 % de sus comprobaciones (resto del laboratorio: 4 %);
// revise el cable de ese puesto."
QString standingOutSentence(const StandingOut& station);

// Passed and failed checks per period: a day, or a week (from its Monday) beyond kDaysShown days.
constexpr int kDaysShown = 60;
struct PeriodFigures {
    QDate start;
    int passed = 0;
    int failed = 0;
    std::array<VoltFigures, 4> volts{};
};
QList<PeriodFigures> periods(const HistoryFigures& figures, bool& weekly);

// What the figures come to, first: the counts, the cards and both yields, a line each.
QStringList summaryLines(const HistoryFigures& figures);
// The figures for a person (--history-stats) and for a script (--history-stats --json).
QString figuresText(const HistoryFigures& figures);
QJsonDocument figuresJson(const HistoryFigures& figures);

#endif
