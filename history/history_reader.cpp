#include "history/history_reader.h"

#include <cstdio>
#include <future>

#include <QFile>
#include <QSaveFile>
#include <QSqlError>
#include <QStringList>
#include <QTimeZone>

#include "history/history_database.h"
#include "history/time_text.h"
#include "lab/lab_database.h"

namespace {

// "2026-12-07 10:14:03", written by hand: a long list has one or two in every row.
QString dateTimeText(const QDateTime& time) {
    if (!time.isValid()) return {};
    const QDate day = time.date();
    const QTime clock = time.time();
    char text[24];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", day.year(), day.month(), day.day(), clock.hour(),
                  clock.minute(), clock.second());
    return QString::fromLatin1(text);
}

QByteArray csvLine(std::initializer_list<QString> cells) {
    QByteArray line;
    line.reserve(192);
    for (const QString& cell : cells) {
        if (!line.isEmpty()) line += ';';
        line += csvCell(cell).toUtf8();
    }
    return line + "\r\n";
}

// Standard output, or a file replaced whole at the end.
class CsvOutput {
public:
    explicit CsvOutput(const QString& path) : file_(path) {
        if (path == u"-") stdout_.open(stdout, QIODevice::WriteOnly);
    }
    bool open() { return stdout_.isOpen() || file_.open(QIODevice::WriteOnly); }
    QIODevice& device() { return stdout_.isOpen() ? static_cast<QIODevice&>(stdout_) : file_; }
    bool commit() { return stdout_.isOpen() || file_.commit(); }
    QString problem() const {
        return QStringLiteral("No se puede escribir %1: %2.").arg(file_.fileName(), file_.errorString());
    }

private:
    QFile stdout_;
    QSaveFile file_;
};

}  // namespace

HistoryReader::HistoryReader(QString path, QString lab) : path_(std::move(path)), labConnection_(std::move(lab)) {}

HistoryReader::~HistoryReader() = default;

std::optional<QString> HistoryReader::problem() {
    if (history_ || lab_) return std::nullopt;
    if (!labConnection_.isEmpty() && !labProblem_) {
        auto opened = LabDatabase::open(labConnection_);
        if (auto* lab = std::get_if<std::unique_ptr<LabDatabase>>(&opened)) {
            lab_ = std::move(*lab);
            return std::nullopt;
        }
        const auto& failure = std::get<LabDatabase::Failure>(opened);
        labProblem_ = failure.message;
        driverSaid_ = failure.said;
    }
    if (path_.isEmpty()) return QStringLiteral("Las comprobaciones no se guardan en el historial (--no-history).");
    if (missing()) return QStringLiteral("Todavía no hay ninguna comprobación en el historial %1.").arg(path_);
    auto opened = HistoryDatabase::open(path_, false);
    if (auto* error = std::get_if<QString>(&opened)) return *error;
    history_ = std::move(std::get<std::unique_ptr<HistoryDatabase>>(opened));
    return std::nullopt;
}

bool HistoryReader::missing() const {
    return !history_ && !lab_ && !path_.isEmpty() && !QFile::exists(path_);
}

QSqlDatabase HistoryReader::database() const {
    return lab_ ? lab_->database() : history_->database();
}

Store HistoryReader::store() const {
    return lab_ ? Store::Lab : Store::Local;
}

int HistoryReader::schemaVersion() const {
    return lab_ ? lab_->schemaVersion() : history_->schemaVersion();
}

QString HistoryReader::cannotRead(const QSqlError& error) {
    driverSaid_ = error.text();
    const QString cause = lab_ ? lab_->queryFailure(error).cause : sqliteCause(error);
    if (lab_)
        return QStringLiteral("No se puede leer el historial del laboratorio (%1): %2.").arg(labConnection_, cause);
    return QStringLiteral("No se puede leer el historial %1: %2.").arg(path_, cause);
}

std::optional<Selection> HistoryReader::selection(const HistoryFilter& filter, int limit, ColumnSet columnSet) {
    if (problem()) return std::nullopt;
    return selectChecks(store(), schemaVersion(), filter, limit, columnSet);
}

QSqlQuery HistoryReader::run(const Selection& selection) {
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.prepare(selection.sql)) return query;  // with what SQL said, which exec() would overwrite
    for (const QVariant& value : selection.values) query.addBindValue(value);
    query.exec();
    return query;
}

std::optional<QString> HistoryReader::forEach(const HistoryFilter& filter,
                                              const std::function<void(const StoredCheck&)>& visit, int limit,
                                              ColumnSet columnSet) {
    if (auto why = problem()) return missing() ? std::nullopt : why;
    QSqlQuery query = run(selectChecks(store(), schemaVersion(), filter, limit, columnSet));
    if (!query.isActive()) return cannotRead(query.lastError());
    while (query.next()) visit(storedCheck(query));
    if (query.lastError().isValid()) return cannotRead(query.lastError());
    return std::nullopt;
}

std::optional<QSqlQuery> HistoryReader::query(const HistoryFilter& filter) {
    if (problem()) return std::nullopt;
    return run(selectChecks(store(), schemaVersion(), filter, 0, ColumnSet::Columns));
}

std::variant<HistoryFigures, QString> HistoryReader::figures(const HistoryFilter& filter) {
    if (auto why = problem()) {
        if (missing()) return HistoryFigures{};  // nothing checked yet: every figure is nought
        return *why;
    }
    if (!lab_ && history_->schemaVersion() < kLocalSchemaVersion) {
        auto upgraded = HistoryDatabase::open(path_, true);
        if (auto* history = std::get_if<std::unique_ptr<HistoryDatabase>>(&upgraded)) history_ = std::move(*history);
    }
    const bool connectionsCounted =
        lab_ ? lab_->hasColumn(QStringLiteral("failed_connections")) : history_->schemaVersion() >= kLocalSchemaVersion;
    QString zone = QString::fromUtf8(QTimeZone::systemTimeZoneId());
    if (zone.isEmpty()) zone = QStringLiteral("UTC");
    using Days = std::variant<QList<DayFigures>, QSqlError>;
    // The days are counted on a second connection while this one counts the rest: neither SQLite
    // nor the server's planner gives that pass a second processor. Compiling these short queries
    // would cost the server more than running them.
    std::future<Days> days =
        std::async(std::launch::async,
                   [path = path_, connection = lab_ ? labConnection_ : QString(), store = store(),
                    version = schemaVersion(), filter, zone]() -> Days {
                       if (!connection.isEmpty()) {
                           auto opened = LabDatabase::open(connection);
                           if (auto* failure = std::get_if<LabDatabase::Failure>(&opened))
                               return QSqlError(failure->said, failure->message, QSqlError::ConnectionError,
                                                QStringLiteral("08000"));
                           const QSqlDatabase lab = std::get<std::unique_ptr<LabDatabase>>(opened)->database();
                           QSqlQuery(lab).exec(QStringLiteral("SET jit = off"));
                           return readDays(lab, store, version, filter, zone);
                       }
                       auto opened = HistoryDatabase::open(path, false);
                       if (auto* problem = std::get_if<QString>(&opened))
                           return QSqlError(*problem, *problem, QSqlError::ConnectionError);
                       return readDays(std::get<std::unique_ptr<HistoryDatabase>>(opened)->database(), store, version,
                                       filter, zone);
                   });
    if (lab_) QSqlQuery(database()).exec(QStringLiteral("SET jit = off"));
    auto figures = readFigures(database(), store(), schemaVersion(), connectionsCounted, filter);
    const Days counted = days.get();
    if (auto* error = std::get_if<QSqlError>(&figures)) return cannotRead(*error);
    if (auto* error = std::get_if<QSqlError>(&counted)) return cannotRead(*error);
    HistoryFigures read = std::get<HistoryFigures>(figures);
    read.days = std::get<QList<DayFigures>>(counted);
    return read;
}

std::optional<StoredCheck> HistoryReader::whole(const StoredCheck& check) {
    if (problem()) return std::nullopt;
    QSqlQuery query = run(selectWhole(store(), schemaVersion(), check));
    if (!query.isActive() || !query.next()) return std::nullopt;
    return storedCheck(query);
}

std::optional<QString> HistoryReader::writeList(const HistoryFilter& filter, std::FILE* out) {
    QByteArray lines;
    auto error = forEach(filter, [&lines, out](const StoredCheck& check) {
        lines += historyLine(check).toUtf8() + '\n';
        if (lines.size() < (1 << 16)) return;
        std::fwrite(lines.constData(), 1, lines.size(), out);
        lines.clear();
    });
    std::fwrite(lines.constData(), 1, lines.size(), out);
    std::fflush(out);
    return error;
}

std::optional<QString> HistoryReader::writeCsv(const HistoryFilter& filter, const QString& path) {
    CsvOutput csv(path);
    if (!csv.open()) return csv.problem();
    QIODevice& device = csv.device();
    device.write(csvHeader());
    if (auto error = forEach(
            filter, [&device](const StoredCheck& check) { device.write(csvRow(check)); }, 0, ColumnSet::Spreadsheet))
        return error;
    if (!csv.commit()) return csv.problem();
    return std::nullopt;
}

QString historyLine(const StoredCheck& check) {
    QString line = QStringLiteral("%1  %2  %3  %4  %5")
                       .arg(dateTimeText(check.record.started), check.context.station.leftJustified(10),
                            cardWord(check.context.card).leftJustified(12),
                            kindWord(check.record.kind).leftJustified(9), outcomeWord(check.record.outcome));
    if (check.record.outcome == Outcome::Fail && !check.findings.summary.isEmpty())
        line += QStringLiteral(": ") + check.findings.summary;
    return line;
}

QByteArray csvHeader() {
    return QByteArray("\xEF\xBB\xBF") +
           csvLine({QStringLiteral("inicio"), QStringLiteral("fin"), QStringLiteral("tarjeta"), QStringLiteral("tipo"),
                    QStringLiteral("modo"), QStringLiteral("puerto"), QStringLiteral("resultado"),
                    QStringLiteral("test fallido"), QStringLiteral("entradas con fallo"),
                    QStringLiteral("tensiones analógicas (V)"), QStringLiteral("versión"), QStringLiteral("puesto")});
}

QByteArray csvRow(const StoredCheck& check) {
    const CheckFindings& findings = check.findings;
    QString volts;
    if (findings.lastVolts)
        for (double value : *findings.lastVolts)
            volts += (volts.isEmpty() ? QString() : QStringLiteral(" ")) + voltsText(value, 4);
    const RunRecord& record = check.record;
    return csvLine({dateTimeText(record.started), dateTimeText(record.finished), check.context.card,
                    kindWord(record.kind), modeWord(check.context.mode), portWord(check.context),
                    outcomeWord(record.outcome), findings.failedTest ? QString::number(findings.failedTest) : QString(),
                    numberList(findings.failedInputs), volts, check.version, check.context.station});
}

// A cell that begins like a formula is taken as text; one with the separator, a quote or a line
// break goes between quotes.
QString csvCell(QString text) {
    if (!text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text.front())) text.prepend(u'\'');
    if (text.contains(u';') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r'))
        text = u'"' + text.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
    return text;
}
