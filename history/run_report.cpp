#include "history/run_report.h"

#include <cstdlib>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QSaveFile>

namespace {

QString cannotWrite(const QString& path, const QString& why) {
    return QStringLiteral("No se puede escribir el informe en %1: %2.").arg(path, why);
}

QJsonArray numbers(const QList<int>& values) {
    QJsonArray array;
    for (int value : values) array << value;
    return array;
}

QJsonArray volts(const AnalogVolts& readings) {
    QJsonArray array;
    for (double value : readings) array << value;
    return array;
}

QJsonObject testObject(const TestRecord& test) {
    QJsonObject object{{"test", test.test}, {"outcome", outcomeName(test.outcome)}, {"duration_ms", test.durationMs()}};
    QJsonArray failures;
    for (const FailedCheck& check : test.failures)
        failures << QJsonObject{{"step", check.step},       {"round", check.round},
                                {"outputs", check.outputs}, {"expected_inputs", check.expectedInputs},
                                {"inputs", check.inputs},   {"wrong_inputs", numbers(wrongInputs(check))}};
    if (test.failedReading)
        failures << QJsonObject{{"inputs_out_of_range", numbers(inputsOutOfRange(*test.failedReading))},
                                {"volts", volts(*test.failedReading)}};
    if (!failures.isEmpty()) object.insert(QStringLiteral("failures"), failures);
    return object;
}

}  // namespace

QString outcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::Running:
            return QStringLiteral("running");
        case Outcome::Pass:
            return QStringLiteral("pass");
        case Outcome::Fail:
            return QStringLiteral("fail");
        case Outcome::Interrupted:
            break;
    }
    return QStringLiteral("interrupted");
}

QString kindName(CheckKind kind) {
    return kind == CheckKind::Analog ? QStringLiteral("analog") : QStringLiteral("sequence");
}

// ISO 8601 in local time, always with its offset from UTC (+00:00 rather than Z).
QString localTime(const QDateTime& time) {
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    const QString zone = QStringLiteral("%1%2:%3")
                             .arg(offset < 0 ? QStringLiteral("-") : QStringLiteral("+"))
                             .arg(minutes / 60, 2, 10, QChar(u'0'))
                             .arg(minutes % 60, 2, 10, QChar(u'0'));
    return time.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")) + zone;
}

QJsonDocument reportDocument(const RunRecord& record, const CheckContext& context) {
    QJsonArray tests;
    for (const TestRecord& test : record.tests) tests << testObject(test);
    QJsonArray analog;
    for (const AnalogVolts& row : record.analog) analog << volts(row);
    QJsonObject document{{"program", "cardcheck"},
                         {"version", CARDCHECK_VERSION},
                         {"card", context.card.isEmpty() ? QJsonValue() : QJsonValue(context.card)},
                         {"kind", kindName(record.kind)},
                         {"mode", context.mode},
                         {"port", context.port},
                         {"faults", QJsonArray::fromStringList(context.faults)},
                         {"started", localTime(record.started)},
                         {"outcome", outcomeName(record.outcome)},
                         {"card_answers", !cardSilent(record)},
                         {"lines", QJsonArray::fromStringList(record.lines)},
                         {"tests", tests},
                         {"analog", analog}};
    if (record.finished.isValid()) document.insert(QStringLiteral("finished"), localTime(record.finished));
    if (record.exitStatus) document.insert(QStringLiteral("exit_status"), *record.exitStatus);
    return QJsonDocument(document);
}

std::optional<QString> reportPathProblem(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir()) return cannotWrite(path, QStringLiteral("es una carpeta"));
    if (!info.absoluteDir().exists())
        return cannotWrite(path, QStringLiteral("no existe la carpeta %1").arg(info.absolutePath()));
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly)) return cannotWrite(path, QStringLiteral("no hay permiso de escritura"));
    probe.cancelWriting();  // the temporary file goes with the probe; path is never touched
    return std::nullopt;
}

std::optional<QString> writeReport(const QString& path, const QJsonDocument& document) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(document.toJson());
        if (file.commit()) return std::nullopt;
    }
    return cannotWrite(path, file.errorString());
}
