#include "history/stored_check.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include "history/history_database.h"

namespace {

QJsonObject firstFailure(const QJsonObject& record) {
    for (const QJsonValue& test : record[QLatin1String("tests")].toArray()) {
        const QJsonArray failures = test[QLatin1String("failures")].toArray();
        if (!failures.isEmpty()) {
            QJsonObject failure = failures.first().toObject();
            failure.insert(QStringLiteral("test"), test[QLatin1String("test")]);
            return failure;
        }
    }
    return {};
}

QList<int> numbers(const QJsonValue& array) {
    QList<int> values;
    for (const QJsonValue& value : array.toArray()) values << value.toInt();
    return values;
}

// A query's row or a model's: both give their columns by number. A query's own values are read
// one by one, since building its whole record for each row would cost more than the rest of a list.
template <typename Row>
StoredCheck readStoredCheck(const Row& row) {
    StoredCheck check;
    check.id = row.value(0).toLongLong();
    check.started = QDateTime::fromString(row.value(1).toString(), Qt::ISODateWithMs).toLocalTime();
    if (!row.value(2).isNull())
        check.finished = QDateTime::fromString(row.value(2).toString(), Qt::ISODateWithMs).toLocalTime();
    check.card = row.value(3).toString();
    check.kind = row.value(4).toString();
    check.mode = row.value(5).toString();
    check.outcome = row.value(6).toString();
    if (check.outcome == u"running" && !programRunning(row.value(7).toString()))
        check.outcome = QStringLiteral("interrupted");
    if (!row.value(8).isNull()) check.record = QJsonDocument::fromJson(row.value(8).toString().toUtf8()).object();
    return check;
}

}  // namespace

StoredCheck storedCheck(const QSqlQuery& query) {
    return readStoredCheck(query);
}

StoredCheck storedCheck(const QSqlRecord& row) {
    return readStoredCheck(row);
}

QString outcomeWord(const QString& outcome) {
    if (outcome == u"pass") return QStringLiteral("correcta");
    if (outcome == u"fail") return QStringLiteral("con fallos");
    if (outcome == u"running") return QStringLiteral("en curso");
    return QStringLiteral("interrumpida");
}

QString kindWord(const QString& kind) {
    return kind == u"analog" ? QStringLiteral("analógica") : QStringLiteral("completa");
}

QString modeWord(const QString& mode) {
    if (mode == u"headless") return QStringLiteral("sin ventana");
    if (mode == u"batch") return QStringLiteral("lote");
    return QStringLiteral("ventana");
}

QString cardWord(const QString& card) {
    return card.isEmpty() ? QStringLiteral("sin etiqueta") : card;
}

// A reading is one of 256 converter values, so a long list asks for the same few texts again and again.
QString voltsText(double volts, int decimals) {
    static const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    thread_local QHash<std::pair<double, int>, QString> known;  // a spreadsheet may be written on its own thread
    auto found = known.constFind({volts, decimals});
    if (found != known.constEnd()) return *found;
    if (known.size() > 4096) known.clear();
    return *known.insert({volts, decimals}, spanish.toString(volts, 'f', decimals));
}

int failedTest(const QJsonObject& record) {
    return firstFailure(record)[QLatin1String("test")].toInt();
}

QList<int> failedInputs(const QJsonObject& record) {
    const QJsonObject failure = firstFailure(record);
    return numbers(failure.contains(QLatin1String("wrong_inputs")) ? failure[QLatin1String("wrong_inputs")]
                                                                   : failure[QLatin1String("inputs_out_of_range")]);
}

QList<double> lastVolts(const QJsonObject& record) {
    const QJsonArray readings = record[QLatin1String("analog")].toArray();
    QList<double> volts;
    if (readings.isEmpty()) return volts;
    for (const QJsonValue& value : readings.last().toArray()) volts << value.toDouble();
    return volts;
}

QString failureSummary(const QJsonObject& record) {
    if (record[QLatin1String("card_answers")] == QJsonValue(false)) return QStringLiteral("la tarjeta no responde");
    const QJsonObject failure = firstFailure(record);
    const int test = failure[QLatin1String("test")].toInt();
    if (test == 0) return {};
    const QList<int> inputs = failedInputs(record);
    if (test == 6) {
        const QJsonArray volts = failure[QLatin1String("volts")].toArray();
        QStringList parts;
        for (int input : inputs)
            parts
                << QStringLiteral("entrada analógica %1, %2 V").arg(input).arg(voltsText(volts[input - 1].toDouble()));
        return QStringLiteral("test 6: ") + parts.join(QStringLiteral("; "));
    }
    QString where = QStringLiteral("test %1, paso %2").arg(test).arg(failure[QLatin1String("step")].toInt());
    if (test == 2 || test == 3) where += QStringLiteral(", vuelta %1").arg(failure[QLatin1String("round")].toInt());
    return QStringLiteral("%1: %2 %3")
        .arg(where, inputs.size() == 1 ? QStringLiteral("entrada") : QStringLiteral("entradas"), numberList(inputs));
}

QString numberList(const QList<int>& values) {
    QStringList texts;
    for (int value : values) texts << QString::number(value);
    return texts.join(QStringLiteral(", "));
}
