#include "history/check_codec.h"

#include <array>
#include <cstdlib>

#include <QJsonArray>
#include <QJsonObject>
#include <QSqlQuery>

#include "history/history_database.h"
#include "history/time_text.h"

namespace {

const std::array<std::pair<Outcome, QLatin1String>, 4> kOutcomes{
    {{Outcome::Running, QLatin1String("running")},
     {Outcome::Pass, QLatin1String("pass")},
     {Outcome::Fail, QLatin1String("fail")},
     {Outcome::Interrupted, QLatin1String("interrupted")}}};
// A mode this program does not know (a later one's) reads as unknown, never as another.
const std::array<std::pair<CheckMode, QLatin1String>, 4> kModes{{{CheckMode::Window, QLatin1String("window")},
                                                                 {CheckMode::Headless, QLatin1String("headless")},
                                                                 {CheckMode::Batch, QLatin1String("batch")},
                                                                 {CheckMode::Unknown, QLatin1String("unknown")}}};
const QLatin1String kSimulated("simulated");
const QLatin1String kAnalog("analog");

template <typename Enum, std::size_t N>
QString nameOf(const std::array<std::pair<Enum, QLatin1String>, N>& names, Enum value) {
    for (const auto& [known, name] : names)
        if (known == value) return name;
    return names.front().second;
}

// An unknown name, from a later program, reads as the last one known.
template <typename Enum, std::size_t N>
Enum valueOf(const std::array<std::pair<Enum, QLatin1String>, N>& names, const QString& text) {
    for (const auto& [value, name] : names)
        if (text == name) return value;
    return names.back().first;
}

QString kindName(CheckKind kind) {
    return kind == CheckKind::Analog ? QString(kAnalog) : QStringLiteral("sequence");
}

QString portName(const CheckContext& context) {
    return context.simulated() ? QString(kSimulated) : context.device;
}

QString deviceOf(const QString& port) {
    return port == kSimulated ? QString() : port;
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

AnalogVolts voltsOf(const QJsonValue& array) {
    AnalogVolts readings{};
    for (int input = 0; input < 4; ++input) readings[input] = array[input].toDouble();
    return readings;
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

TestRecord testOf(const QJsonObject& object) {
    TestRecord test;
    test.test = object[QLatin1String("test")].toInt();
    test.outcome = valueOf(kOutcomes, object[QLatin1String("outcome")].toString());
    test.endedNs = object[QLatin1String("duration_ms")].toInteger() * kNsPerMs;
    for (const QJsonValue& failure : object[QLatin1String("failures")].toArray()) {
        if (failure[QLatin1String("volts")].isArray()) {
            test.failedReading = voltsOf(failure[QLatin1String("volts")]);
            continue;
        }
        const auto byte = [&failure](const char* field) { return qint16(failure[QLatin1String(field)].toInt()); };
        test.failures << FailedCheck{byte("step"), byte("round"), byte("outputs"), byte("expected_inputs"),
                                     byte("inputs")};
    }
    return test;
}

QVariant orNull(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QList<ColumnValue> findingValues(const CheckFindings& findings, const CheckContext& context, const QString& version) {
    QList<ColumnValue> values{
        {QStringLiteral("summary"), orNull(findings.summary)},
        {QStringLiteral("failed_test"), findings.failedTest ? QVariant(findings.failedTest) : QVariant()},
        {QStringLiteral("failed_inputs"), orNull(numberList(findings.failedInputs))},
        {QStringLiteral("port"), portName(context)},
        {QStringLiteral("version"), version},
    };
    for (int input = 0; input < 4; ++input)
        values << ColumnValue{QStringLiteral("volts%1").arg(input + 1),
                              findings.lastVolts ? QVariant((*findings.lastVolts)[input]) : QVariant()};
    return values;
}

// The document, read back into the record and the context it was made from.
void readDocument(const QJsonObject& document, StoredCheck& check) {
    RunRecord& record = check.record;
    record.kind = document[QLatin1String("kind")].toString() == kAnalog ? CheckKind::Analog : CheckKind::Sequence;
    record.started = timeOf(document[QLatin1String("started")].toString());
    record.finished = timeOf(document[QLatin1String("finished")].toString());
    record.outcome = valueOf(kOutcomes, document[QLatin1String("outcome")].toString());
    if (document.contains(QLatin1String("exit_status")))
        record.exitStatus = document[QLatin1String("exit_status")].toInt();
    for (const QJsonValue& line : document[QLatin1String("lines")].toArray()) record.lines << line.toString();
    for (const QJsonValue& test : document[QLatin1String("tests")].toArray()) record.tests << testOf(test.toObject());
    for (const QJsonValue& row : document[QLatin1String("analog")].toArray()) record.analog << voltsOf(row);
    // A card that did not answer read at rest what it read when it failed.
    if (document[QLatin1String("card_answers")] == QJsonValue(false) && firstFailedCheck(record))
        record.inputsAtRest = firstFailedCheck(record)->inputs;
    check.context.card = document[QLatin1String("card")].toString();
    check.context.mode = valueOf(kModes, document[QLatin1String("mode")].toString());
    check.context.device = deviceOf(document[QLatin1String("port")].toString());
    for (const QJsonValue& fault : document[QLatin1String("faults")].toArray())
        check.context.faults << fault.toString();
    check.version = document[QLatin1String("version")].toString();
    check.findings = findingsOf(record);
    check.whole = true;
}

enum Column {
    Id,
    Started,
    Finished,
    Card,
    Kind,
    Mode,
    Result,
    Owner,
    Summary,
    FailedTest,
    FailedInputs,
    Port,
    Version,
    Volts1,
    Record = Volts1 + 4,
    Station,
    Uuid,
};

// A query's values are read one by one, since building its whole record for each row would cost
// more than the rest of a long list.
StoredCheck readStoredCheck(const QSqlQuery& row) {
    StoredCheck check;
    if (!row.value(Record).isNull())
        readDocument(QJsonDocument::fromJson(row.value(Record).toString().toUtf8()).object(), check);
    check.id = row.value(Id).toLongLong();
    check.uuid = row.value(Uuid).toString();
    check.context.station = row.value(Station).toString();
    check.owner = row.value(Owner).toString();
    check.record.started = timeOf(row.value(Started));
    check.record.finished = timeOf(row.value(Finished));
    check.record.kind = row.value(Kind).toString() == kAnalog ? CheckKind::Analog : CheckKind::Sequence;
    check.record.outcome = valueOf(kOutcomes, row.value(Result).toString());
    // The lab history gives no owner: a running check there is ended by its own station.
    if (check.record.outcome == Outcome::Running && !check.owner.isNull() && !programRunning(check.owner))
        check.record.outcome = Outcome::Interrupted;
    check.context.card = row.value(Card).toString();
    check.context.mode = valueOf(kModes, row.value(Mode).toString());
    if (check.whole) return check;
    check.context.device = deviceOf(row.value(Port).toString());
    check.version = row.value(Version).toString();
    check.findings.summary = row.value(Summary).toString();
    check.findings.failedTest = row.value(FailedTest).toInt();
    for (QStringView input : row.value(FailedInputs).toString().split(QStringLiteral(", "), Qt::SkipEmptyParts))
        check.findings.failedInputs << input.toInt();
    if (!row.value(Volts1).isNull()) {
        AnalogVolts volts{};
        for (int input = 0; input < 4; ++input) volts[input] = row.value(Volts1 + input).toDouble();
        check.findings.lastVolts = volts;
    }
    return check;
}

}  // namespace

QString outcomeName(Outcome outcome) {
    return nameOf(kOutcomes, outcome);
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
                         {"mode", nameOf(kModes, context.mode)},
                         {"port", portName(context)},
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

QList<ColumnValue> rowValues(const RunRecord& record, const CheckContext& context) {
    QList<ColumnValue> values{
        {QStringLiteral("started"), utcText(record.started)},
        {QStringLiteral("finished"), record.finished.isValid() ? QVariant(utcText(record.finished)) : QVariant()},
        {QStringLiteral("card"), orNull(context.card)},
        {QStringLiteral("kind"), kindName(record.kind)},
        {QStringLiteral("mode"), nameOf(kModes, context.mode)},
        {QStringLiteral("outcome"), outcomeName(record.outcome)},
        {QStringLiteral("record"), QString::fromUtf8(reportDocument(record, context).toJson(QJsonDocument::Compact))},
        {QStringLiteral("station"), orNull(context.station)},
    };
    return values + findingValues(findingsOf(record), context, QStringLiteral(CARDCHECK_VERSION));
}

QList<ColumnValue> listedValues(const StoredCheck& check) {
    return findingValues(check.findings, check.context, check.version);
}

QString storedCheckColumns(Store store, int schemaVersion, ColumnSet columnSet) {
    const bool lab = store == Store::Lab;
    if (!lab && schemaVersion < 2)
        return QStringLiteral(
            "id, started, finished, card, kind, mode, outcome, owner, NULL, NULL, NULL, NULL, NULL, "
            "NULL, NULL, NULL, NULL, record, NULL, NULL");
    // The owner tells only whether a running check's program is still there: it is looked up for those alone.
    const QString owner = lab ? QStringLiteral("NULL")
                          : columnSet == ColumnSet::List || columnSet == ColumnSet::Spreadsheet
                              ? QStringLiteral(
                                    "CASE outcome WHEN 'running' THEN (SELECT owner FROM checks AS row "
                                    "WHERE row.id = checks.id) END")
                              : QStringLiteral("owner");
    const QString shown = columnSet == ColumnSet::List
                              ? QStringLiteral(
                                    "NULL, card, kind, NULL, outcome, %1, summary, NULL, NULL, NULL, NULL, "
                                    "NULL, NULL, NULL, NULL")
                              : QStringLiteral(
                                    "finished, card, kind, mode, outcome, %1, summary, failed_test, "
                                    "failed_inputs, port, version, volts1, volts2, volts3, volts4");
    const QString record = columnSet != ColumnSet::Whole ? QStringLiteral("NULL")
                           : lab                         ? QStringLiteral("record::text")
                                                         : QStringLiteral("record");
    // The lab history knows a check by its uuid alone; a station's own by its id, so its list and
    // spreadsheet leave the uuid out, which their indexes do not hold.
    const bool indexed = columnSet == ColumnSet::List || columnSet == ColumnSet::Spreadsheet;
    const QString keys = lab                 ? QStringLiteral("station, uuid::text")
                         : schemaVersion < 3 ? QStringLiteral("NULL, NULL")
                         : indexed           ? QStringLiteral("station, NULL")
                                             : QStringLiteral("station, uuid");
    return (lab ? QStringLiteral("0, ") : QStringLiteral("id, ")) + QStringLiteral("started, ") + shown.arg(owner) +
           u',' + record + u',' + keys;
}

StoredCheck storedCheck(const QSqlQuery& row) {
    return readStoredCheck(row);
}
