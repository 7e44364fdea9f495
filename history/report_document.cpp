#include "history/report_document.h"

#include <array>

#include <QJsonArray>
#include <QJsonObject>

#include "history/time_text.h"

namespace {

const std::array<std::pair<Outcome, QLatin1String>, 4> kOutcomes{
    {{Outcome::Running, QLatin1String("running")},
     {Outcome::Pass, QLatin1String("pass")},
     {Outcome::Fail, QLatin1String("fail")},
     {Outcome::Interrupted, QLatin1String("interrupted")}}};
const std::array<std::pair<CheckMode, QLatin1String>, 4> kModes{{{CheckMode::Window, QLatin1String("window")},
                                                                 {CheckMode::Headless, QLatin1String("headless")},
                                                                 {CheckMode::Batch, QLatin1String("batch")},
                                                                 {CheckMode::Unknown, QLatin1String("unknown")}}};
const std::array<std::pair<CheckKind, QLatin1String>, 2> kKinds{
    {{CheckKind::Analog, QLatin1String("analog")}, {CheckKind::Sequence, QLatin1String("sequence")}}};
const QLatin1String kSimulated("simulated");

template <typename Enum, std::size_t N>
QString nameOf(const std::array<std::pair<Enum, QLatin1String>, N>& names, Enum value) {
    for (const auto& [known, name] : names)
        if (known == value) return name;
    return names.front().second;
}

// An unknown name reads as the last one known.
template <typename Enum, std::size_t N>
Enum valueOf(const std::array<std::pair<Enum, QLatin1String>, N>& names, const QString& text) {
    for (const auto& [value, name] : names)
        if (text == name) return value;
    return names.back().first;
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
    test.outcome = outcomeOf(object[QLatin1String("outcome")].toString());
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

}  // namespace

QString outcomeName(Outcome outcome) {
    return nameOf(kOutcomes, outcome);
}

Outcome outcomeOf(const QString& name) {
    return valueOf(kOutcomes, name);
}

QString kindName(CheckKind kind) {
    return nameOf(kKinds, kind);
}

// Anything but "analog" is the whole sequence, as it always was.
CheckKind kindOf(const QString& name) {
    return valueOf(kKinds, name);
}

QString modeName(CheckMode mode) {
    return nameOf(kModes, mode);
}

CheckMode modeOf(const QString& name) {
    return valueOf(kModes, name);
}

QString portName(const CheckContext& context) {
    return context.simulated() ? QString(kSimulated) : context.device;
}

QString deviceOf(const QString& port) {
    return port == kSimulated ? QString() : port;
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
                         {"mode", modeName(context.mode)},
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

ReportContents readReport(const QJsonDocument& json) {
    const QJsonObject document = json.object();
    ReportContents contents;
    RunRecord& record = contents.record;
    record.kind = kindOf(document[QLatin1String("kind")].toString());
    record.started = timeOf(document[QLatin1String("started")].toString());
    record.finished = timeOf(document[QLatin1String("finished")].toString());
    record.outcome = outcomeOf(document[QLatin1String("outcome")].toString());
    if (document.contains(QLatin1String("exit_status")))
        record.exitStatus = document[QLatin1String("exit_status")].toInt();
    for (const QJsonValue& line : document[QLatin1String("lines")].toArray()) record.lines << line.toString();
    for (const QJsonValue& test : document[QLatin1String("tests")].toArray()) record.tests << testOf(test.toObject());
    for (const QJsonValue& row : document[QLatin1String("analog")].toArray()) record.analog << voltsOf(row);
    // A card that did not answer read at rest what it read when it failed.
    if (document[QLatin1String("card_answers")] == QJsonValue(false) && firstFailedCheck(record))
        record.inputsAtRest = firstFailedCheck(record)->inputs;
    CheckContext& context = contents.context;
    context.card = document[QLatin1String("card")].toString();
    context.mode = modeOf(document[QLatin1String("mode")].toString());
    context.device = deviceOf(document[QLatin1String("port")].toString());
    for (const QJsonValue& fault : document[QLatin1String("faults")].toArray()) context.faults << fault.toString();
    contents.version = document[QLatin1String("version")].toString();
    return contents;
}
