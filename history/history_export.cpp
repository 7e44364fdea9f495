#include "history/history_export.h"

#include <QSqlError>
#include <QSqlQuery>

#include "history/check_query.h"

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QByteArray csvLine(const QStringList& cells) {
    QStringList quoted;
    for (const QString& cell : cells) quoted << csvCell(cell);
    return quoted.join(u';').toUtf8() + "\r\n";
}

}  // namespace

std::optional<QString> forEachCheck(const QSqlDatabase& database, const QString& card, Reading reading,
                                    const std::function<void(const StoredCheck&)>& visit) {
    QSqlQuery query = filteredChecks(database, HistoryFilter{card, {}, {}, {}}, 0, true,
                                     reading == Reading::List ? kListedCheckColumns : kExportedCheckColumns);
    if (!query.isActive()) return query.lastError().text();
    while (query.next()) visit(storedCheck(query));
    if (query.lastError().isValid()) return query.lastError().text();
    return std::nullopt;
}

QString historyLine(const StoredCheck& check) {
    QString line = QStringLiteral("%1  %2  %3  %4")
                       .arg(check.started.toString(kDateFormat), cardWord(check.card).leftJustified(12),
                            kindWord(check.kind).leftJustified(9), outcomeWord(check.outcome));
    const QString summary = check.outcome == u"fail" ? failureSummary(check.record) : QString();
    if (!summary.isEmpty()) line += QStringLiteral(": ") + summary;
    return line;
}

QByteArray csvHeader() {
    return QByteArray("\xEF\xBB\xBF") +
           csvLine({QStringLiteral("inicio"), QStringLiteral("fin"), QStringLiteral("tarjeta"), QStringLiteral("tipo"),
                    QStringLiteral("modo"), QStringLiteral("puerto"), QStringLiteral("resultado"),
                    QStringLiteral("test fallido"), QStringLiteral("entradas con fallo"),
                    QStringLiteral("tensiones analógicas (V)"), QStringLiteral("versión")});
}

QByteArray csvRow(const StoredCheck& check) {
    const int test = failedTest(check.record);
    QStringList volts;
    for (double value : lastVolts(check.record)) volts << voltsText(value, 4);
    const QString port = check.record[QLatin1String("port")].toString();
    return csvLine({check.started.toString(kDateFormat),
                    check.finished.isValid() ? check.finished.toString(kDateFormat) : QString(), check.card,
                    kindWord(check.kind), modeWord(check.mode),
                    port == u"simulated" ? QStringLiteral("simulada") : port, outcomeWord(check.outcome),
                    test ? QString::number(test) : QString(), numberList(failedInputs(check.record)),
                    volts.join(QStringLiteral(" ")), check.record[QLatin1String("version")].toString()});
}

// A cell that begins like a formula is taken as text; one with the separator, a quote or a line
// break goes between quotes.
QString csvCell(QString text) {
    if (!text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text.front())) text.prepend(u'\'');
    if (text.contains(u';') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r'))
        text = u'"' + text.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
    return text;
}
