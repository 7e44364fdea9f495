#include "history/history_figures.h"

#include <algorithm>
#include <cmath>

#include <QJsonArray>
#include <QJsonObject>
#include <QSqlQuery>

#include "history/report_document.h"
#include "record/card_rules.h"
#include "record/diagnosis.h"
#include "record/wording.h"

namespace {

std::optional<QSqlError> run(QSqlQuery& query, const Selection& selection) {
    query.setForwardOnly(true);
    if (!query.prepare(selection.sql)) return query.lastError();
    for (const QVariant& value : selection.values) query.addBindValue(value);
    if (!query.exec()) return query.lastError();
    return std::nullopt;
}

// A connection's bits among failedConnections()'s.
int connectionBits(int connection) {
    if (connection < 8) return 1 << connection | 1 << (kCrossedBit + connection);
    if (connection < kSilentConnection) return 1 << (kAnalogBit + connection - 8);
    return 1 << kSilentBit;
}

DayFigures dayOf(const QSqlQuery& row) {
    DayFigures day;
    day.day = row.value(0).toDate();  // PostgreSQL's date, or SQLite's "2026-12-07"
    day.passed = row.value(1).toInt();
    day.failed = row.value(2).toInt();
    for (int input = 0; input < 4; ++input) {
        VoltFigures& volts = day.volts[input];
        volts.readings = row.value(3 + input * 3).toLongLong();
        volts.sum = row.value(4 + input * 3).toDouble();
        volts.squares = row.value(5 + input * 3).toDouble();
    }
    return day;
}

// A station's checks of one outcome that named one set of connections.
void addStation(HistoryFigures& figures, QMap<QString, StationFigures>& stations, const QSqlQuery& row) {
    const QString name = row.value(0).toString();
    StationFigures& station = stations[name];
    station.station = name;
    const int checks = row.value(3).toInt();
    station.checks += checks;
    figures.checks += checks;
    switch (outcomeOf(row.value(1).toString())) {
        case Outcome::Pass:
            figures.passed += checks;
            break;
        case Outcome::Fail:
            figures.failed += checks;
            break;
        case Outcome::Interrupted:
            figures.interrupted += checks;
            break;
        case Outcome::Running:
            break;  // a station's own are looked at one by one
    }
    if (row.value(2).isNull()) return;  // they did not fail
    station.failed += checks;
    const int bits = row.value(2).toInt();
    if (bits < 0) return;  // not counted
    for (int connection = 0; connection < kConnections; ++connection) {
        if (!(bits & connectionBits(connection))) continue;
        station.connections[connection] += checks;
        figures.connections[connection] += checks;
    }
    for (int input = 0; input < 8; ++input) {
        if (bits & 1 << input) figures.broken[input] += checks;
        if (bits & 1 << (kCrossedBit + input)) figures.crossed[input] += checks;
    }
}

// The readings of one analog input: each value the converter gives, and how many read it.
void addReadings(HistoryFigures& figures, int input, double volts, qint64 readings) {
    VoltFigures value;
    value.readings = readings;
    value.sum = volts * double(readings);
    value.squares = volts * volts * double(readings);
    value.min = value.max = volts;
    value.outOfRange = analogInRange(volts) ? 0 : readings;
    figures.analog[input].add(value);
    figures.voltBins[input][int(std::floor(volts * kVoltBinsPerVolt))] += int(readings);
}

double share(int part, int whole) {
    return whole > 0 ? double(part) / whole : 0;
}

std::optional<double> fraction(int part, int whole) {
    if (whole == 0) return std::nullopt;
    return double(part) / whole;
}

QJsonValue orNull(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue();
}

QString yieldLine(const QString& name, const std::optional<double>& yield, int passed, int cards) {
    if (!yield) return QStringLiteral("%1: sin tarjetas que cuenten").arg(name);
    return QStringLiteral("%1: %2 (%3 de %4 tarjetas)")
        .arg(name, percentLabel(*yield), countLabel(passed), countLabel(cards));
}

}  // namespace

QString connectionName(int connection) {
    if (connection < 8) return QStringLiteral("entrada %1").arg(connection);
    if (connection < kSilentConnection) return QStringLiteral("entrada analógica %1").arg(connection - 7);
    return silentCardWords().toLower();
}

double VoltFigures::sd() const {
    if (readings == 0) return 0;
    const double m = mean();
    return std::sqrt(std::max(0.0, squares / double(readings) - m * m));
}

void VoltFigures::add(const VoltFigures& other) {
    if (other.readings == 0) return;
    min = readings ? std::min(min, other.min) : other.min;
    max = readings ? std::max(max, other.max) : other.max;
    readings += other.readings;
    sum += other.sum;
    squares += other.squares;
    outOfRange += other.outOfRange;
}

std::optional<double> HistoryFigures::firstPassYield() const {
    return fraction(firstPassed, yieldCards);
}

std::optional<double> HistoryFigures::finalYield() const {
    return fraction(finalPassed, yieldCards);
}

std::variant<QList<DayFigures>, QSqlError> readDays(QSqlDatabase database, Store store, int schemaVersion,
                                                    const HistoryFilter& filter, const QString& timeZone) {
    QSqlQuery query(database);
    if (auto error = run(query, selectDays(store, schemaVersion, filter, timeZone))) return *error;
    QList<DayFigures> days;
    while (query.next()) days << dayOf(query);
    std::sort(days.begin(), days.end(), [](const DayFigures& a, const DayFigures& b) { return a.day < b.day; });
    return days;
}

std::variant<HistoryFigures, QSqlError> readFigures(QSqlDatabase database, Store store, int schemaVersion,
                                                    bool connectionsCounted, const HistoryFilter& filter) {
    HistoryFigures figures;
    figures.connectionsCounted = connectionsCounted;
    QSqlQuery query(database);
    if (auto error = run(query, selectStations(store, schemaVersion, connectionsCounted, filter))) return *error;
    QMap<QString, StationFigures> stations;
    while (query.next()) addStation(figures, stations, query);
    figures.stations = stations.values();

    if (store == Store::Local) {
        if (auto error = run(query, selectRunningOwners(schemaVersion, filter))) return *error;
        while (query.next())
            if (outcomeSeen(Outcome::Running, query.value(0).toString()) == Outcome::Interrupted) ++figures.interrupted;
    }
    if (auto error = run(query, selectCards(store, schemaVersion, filter))) return *error;
    if (query.next()) {
        figures.cards = query.value(0).toInt();
        figures.yieldCards = query.value(1).toInt();
        figures.firstPassed = query.value(2).toInt();
        figures.finalPassed = query.value(3).toInt();
    }
    if (auto error = run(query, selectVoltValues(store, schemaVersion, filter))) return *error;
    while (query.next()) {
        const qint64 readings = query.value(4).toLongLong();
        for (int input = 0; input < 4; ++input)
            if (!query.value(input).isNull()) addReadings(figures, input, query.value(input).toDouble(), readings);
    }
    return figures;
}

QList<ConnectionCount> failingConnections(const HistoryFigures& figures) {
    QList<ConnectionCount> counts;
    for (int connection = 0; connection < kConnections; ++connection) {
        if (figures.connections[connection] == 0) continue;
        ConnectionCount count{connection, figures.connections[connection]};
        if (connection < 8) {
            count.broken = figures.broken[connection];
            count.crossed = figures.crossed[connection];
        }
        counts << count;
    }
    std::stable_sort(counts.begin(), counts.end(), [](const ConnectionCount& a, const ConnectionCount& b) {
        return a.failedChecks > b.failedChecks;
    });
    return counts;
}

QList<StandingOut> standingOut(const HistoryFigures& figures) {
    QList<StandingOut> found;
    if (figures.stations.size() < 2) return found;
    for (const StationFigures& station : figures.stations) {
        for (int connection = 0; connection < kConnections; ++connection) {
            const int failed = station.connections[connection];
            if (failed < kStandOutFailures) continue;
            const int restFailed = figures.connections[connection] - failed;
            const int restChecks = figures.checks - station.checks;
            // failed / checks >= ratio × restFailed / restChecks, in whole numbers: exactly three times stands out.
            if (qint64(failed) * restChecks < qint64(kStandOutRatio) * restFailed * station.checks) continue;
            found << StandingOut{station.station, connection, failed, share(failed, station.checks),
                                 share(restFailed, restChecks)};
        }
    }
    return found;
}

QString standingOutSentence(const StandingOut& station) {
    const QString name = connectionName(station.connection);
    const QString what = station.connection == kSilentConnection ? name : QStringLiteral("la %1 falla").arg(name);
    return QStringLiteral(
               "Puesto %1: %2 en el %3 de sus comprobaciones (resto del laboratorio: %4); revise el cable "
               "de ese puesto.")
        .arg(station.station, what, percentLabel(station.share), percentLabel(station.restShare));
}

QList<PeriodFigures> periods(const HistoryFigures& figures, bool& weekly) {
    weekly = !figures.days.isEmpty() && figures.days.first().day.daysTo(figures.days.last().day) >= kDaysShown;
    QList<PeriodFigures> result;
    for (const DayFigures& day : figures.days) {
        const QDate start = weekly ? day.day.addDays(1 - day.day.dayOfWeek()) : day.day;
        if (result.isEmpty() || result.last().start != start) result << PeriodFigures{start};
        PeriodFigures& period = result.last();
        period.passed += day.passed;
        period.failed += day.failed;
        for (int input = 0; input < 4; ++input) period.volts[input].add(day.volts[input]);
    }
    return result;
}

QStringList summaryLines(const HistoryFigures& figures) {
    return {
        QStringLiteral("Comprobaciones: %1 (correctas: %2, con fallos: %3, interrumpidas: %4)")
            .arg(countLabel(figures.checks), countLabel(figures.passed), countLabel(figures.failed),
                 countLabel(figures.interrupted)),
        QStringLiteral("Tarjetas: %1").arg(countLabel(figures.cards)),
        yieldLine(QStringLiteral("Rendimiento a la primera"), figures.firstPassYield(), figures.firstPassed,
                  figures.yieldCards),
        yieldLine(QStringLiteral("Rendimiento final"), figures.finalYield(), figures.finalPassed, figures.yieldCards)};
}

QString figuresText(const HistoryFigures& figures) {
    QStringList lines = summaryLines(figures);
    lines << QStringLiteral("Conexiones que fallan (comprobaciones con fallos que las nombran):");
    const QList<ConnectionCount> failing = failingConnections(figures);
    if (!figures.connectionsCounted)
        lines << QStringLiteral("  este historial aún no las cuenta");
    else if (failing.isEmpty())
        lines << QStringLiteral("  ninguna");
    for (const ConnectionCount& count : failing) {
        QString line = QStringLiteral("  %1: %2").arg(connectionName(count.connection), countLabel(count.failedChecks));
        if (count.broken + count.crossed > 0)
            line += QStringLiteral(" (rota: %1, cruzada: %2)").arg(countLabel(count.broken), countLabel(count.crossed));
        lines << line;
    }
    lines << QStringLiteral("Entradas analógicas (última lectura del test 6):");
    for (int input = 0; input < 4; ++input) {
        const VoltFigures& volts = figures.analog[input];
        QString line =
            QStringLiteral("  entrada analógica %1: %2 lecturas").arg(input + 1).arg(countLabel(volts.readings));
        if (volts.readings > 0)
            line += QStringLiteral(", media %1, desviación %2, mínimo %3, máximo %4, fuera de rango: %5")
                        .arg(voltsLabel(volts.mean()), voltsLabel(volts.sd()), voltsLabel(volts.min),
                             voltsLabel(volts.max), countLabel(volts.outOfRange));
        lines << line;
    }
    if (figures.stations.size() > 1 || (figures.stations.size() == 1 && !figures.stations.first().station.isEmpty())) {
        lines << QStringLiteral("Puestos:");
        for (const StationFigures& station : figures.stations)
            lines << QStringLiteral("  %1: %2 comprobaciones, %3 con fallos (%4)")
                         .arg(station.station.isEmpty() ? QStringLiteral("sin nombre") : station.station,
                              countLabel(station.checks), countLabel(station.failed),
                              percentLabel(share(station.failed, station.checks)));
    }
    for (const StandingOut& station : standingOut(figures)) lines << standingOutSentence(station);
    return lines.join(u'\n') + u'\n';
}

QJsonDocument figuresJson(const HistoryFigures& figures) {
    QJsonArray connections;
    for (const ConnectionCount& count : failingConnections(figures))
        connections << QJsonObject{{"connection", connectionName(count.connection)},
                                   {"failed_checks", count.failedChecks},
                                   {"broken", count.broken},
                                   {"crossed", count.crossed}};
    QJsonArray analog;
    for (int input = 0; input < 4; ++input) {
        const VoltFigures& volts = figures.analog[input];
        const bool any = volts.readings > 0;
        analog << QJsonObject{{"input", input + 1},
                              {"readings", volts.readings},
                              {"mean", any ? QJsonValue(volts.mean()) : QJsonValue()},
                              {"sd", any ? QJsonValue(volts.sd()) : QJsonValue()},
                              {"min", any ? QJsonValue(volts.min) : QJsonValue()},
                              {"max", any ? QJsonValue(volts.max) : QJsonValue()},
                              {"out_of_range", volts.outOfRange}};
    }
    QJsonArray stations;
    for (const StationFigures& station : figures.stations)
        stations << QJsonObject{{"station", station.station.isEmpty() ? QJsonValue() : QJsonValue(station.station)},
                                {"checks", station.checks},
                                {"failed", station.failed}};
    QJsonArray flagged;
    for (const StandingOut& station : standingOut(figures))
        flagged << QJsonObject{{"station", station.station},
                               {"connection", connectionName(station.connection)},
                               {"failed_checks", station.failedChecks},
                               {"share", station.share},
                               {"rest_share", station.restShare}};
    QJsonArray days;
    for (const DayFigures& day : figures.days)
        days << QJsonObject{{"day", day.day.toString(Qt::ISODate)}, {"passed", day.passed}, {"failed", day.failed}};
    return QJsonDocument(QJsonObject{{"checks", figures.checks},
                                     {"cards", figures.cards},
                                     {"passed", figures.passed},
                                     {"failed", figures.failed},
                                     {"interrupted", figures.interrupted},
                                     {"first_pass_yield", orNull(figures.firstPassYield())},
                                     {"final_yield", orNull(figures.finalYield())},
                                     {"yield_cards", figures.yieldCards},
                                     {"connections_counted", figures.connectionsCounted},
                                     {"connections", connections},
                                     {"analog", analog},
                                     {"stations", stations},
                                     {"flagged", flagged},
                                     {"days", days}});
}
