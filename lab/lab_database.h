#ifndef LAB_LAB_DATABASE_H
#define LAB_LAB_DATABASE_H

#include <memory>
#include <optional>
#include <variant>

#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include "lab/check_row.h"
#include "lab/connection_string.h"

// A lab's shared history on a PostgreSQL server, through Qt's QPSQL driver: the table checks that
// every station of the lab sends its checks to (packaging/postgresql/historial-esquema.sql).
// Each object holds one named connection and lives in the thread that opened it; every call may
// wait on the network (at most kConnectTimeoutS to connect), so none belongs on a window's thread.
// Values always go as bound values.
class LabDatabase {
public:
    static constexpr int kSchemaVersion = 1;
    static constexpr int kConnectTimeoutS = 5;

    enum class Problem {
        NoDriver,           // Qt's QPSQL driver is not installed
        Unreachable,        // no server answers, or the connection was lost
        LoginRefused,       // the server refuses the user or its password
        PermissionRefused,  // logged in, but the role may not do it
        NoSchema,           // no table, and this role may not make it
        NewerSchema,        // made by a newer cardcheck
        Other,
    };
    struct Failure {
        Problem problem;
        QString message;  // a Spanish sentence that names the lab history
        QString cause;    // what is wrong, in Spanish, as the message's end says it
        QString said;     // what the driver or the server said, for a technician (a tooltip, the log)
    };

    // Connects (connection: key=value pairs, see connection_string.h) and makes the table and its
    // indexes when there are none and the role may; otherwise says that the administrator must
    // run historial-laboratorio.sql.
    static std::variant<std::unique_ptr<LabDatabase>, Failure> open(const QString& connection);
    ~LabDatabase();
    LabDatabase(const LabDatabase&) = delete;
    LabDatabase& operator=(const LabDatabase&) = delete;

    QSqlDatabase database() const;
    int schemaVersion() const { return schemaVersion_; }
    // Whether its table checks has that column: a lab whose administrator has not yet run a later
    // historial-laboratorio.sql lacks the columns added since, and gets a check without them.
    // A server that shows this role none of them is taken to have them all.
    bool hasColumn(const QString& column) const { return columns_.isEmpty() || columns_.contains(column); }

    // Inserts a check, or completes the one with its uuid: sending twice changes nothing, and a
    // completed check is never set back. True when the server's row was written; false when it
    // was already complete and stays as it was. A uuid that another login sent is left alone and
    // is a failure (Problem::Other). After a failure the connection is best opened anew.
    std::variant<bool, Failure> send(const CheckRow& row);
    // What an error of this connection means.
    Failure queryFailure(const class QSqlError& error) const;

private:
    LabDatabase(QString connectionName, QString connection)
        : connectionName_(std::move(connectionName)), connection_(std::move(connection)) {}
    std::optional<Failure> prepareSchema();
    std::optional<Failure> createSchema();
    Failure failure(Problem problem, const QString& cause, const QString& said = {}) const;
    Failure connectionFailure(const QString& said) const;

    QString connectionName_;
    QString connection_;
    int schemaVersion_ = 0;
    QSet<QString> columns_;
    std::optional<Failure> prepared(std::unique_ptr<QSqlQuery>& query, const QString& statement);

    // Prepared once for the columns a station sends, on the server too.
    std::unique_ptr<QSqlQuery> insert_;
    std::unique_ptr<QSqlQuery> complete_;
    std::unique_ptr<QSqlQuery> sentHere_;
};

// What QPSQL is given to connect with: the settings, plus a connect timeout, TCP keepalives and
// a timeout for unanswered data (so that a pulled cable is noticed) and application_name=cardcheck,
// each unless the settings give it.
QString labConnectOptions(const ConnectionSettings& settings);

#endif
