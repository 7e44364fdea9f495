#ifndef TESTS_SUPPORT_LAB_SERVER_H
#define TESTS_SUPPORT_LAB_SERVER_H

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

// The throwaway PostgreSQL server that ctest starts for the lab history's tests
// (tests/lab/lab_server.sh), as its state file names it: CARDCHECK_LAB_SERVER.
struct LabServer {
    QString socket;   // its folder, which holds its Unix socket and its data
    QString bin;      // its programs
    QString missing;  // why there is none, or what is wrong

    static LabServer fromState() {
        LabServer server;
        QFile state(qEnvironmentVariable("CARDCHECK_LAB_SERVER"));
        if (!state.open(QIODevice::ReadOnly)) server.missing = "no state file from lab_server.sh: run through ctest";
        for (const QString& line : QString::fromUtf8(state.readAll()).split('\n')) {
            if (line.startsWith("socket ")) server.socket = line.mid(7);
            if (line.startsWith("bin ")) server.bin = line.mid(4);
        }
        return server;
    }
    QString connection(const QString& user, const QString& database = "historial") const {
        return QString("host=%1 dbname=%2 user=%3").arg(socket, database, user);
    }
    // The lab's database made anew by the administrator's script, with login roles for these
    // stations (made one by one: another test may have made some of them already). What went wrong.
    QString freshHistory(const QStringList& stations) const {
        QString said = psql("DROP DATABASE IF EXISTS historial WITH (FORCE)");
        said += psql({}, "postgres", CARDCHECK_LAB_SQL);
        for (const QString& station : stations) psql(QString("CREATE ROLE %1 LOGIN IN ROLE puestos").arg(station));
        return said;
    }
    // Statements ("; " between them), or a file, run by psql as the superuser: what it printed,
    // errors included, unaligned.
    QString psql(const QString& statements, const QString& database = "postgres", const QString& file = {}) const {
        QStringList arguments{"-X", "-q",   "-A", "-t",       "-v", "ON_ERROR_STOP=1",
                              "-h", socket, "-U", "postgres", "-d", database};
        for (const QString& statement : statements.split("; ", Qt::SkipEmptyParts)) arguments << "-c" << statement;
        if (!file.isEmpty()) arguments << "-f" << file;
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PGOPTIONS", "-c client_min_messages=warning");  // no notices
        process.setProcessEnvironment(environment);
        process.start(bin + "/psql", arguments);
        process.waitForFinished();
        return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError()).trimmed();
    }
};

#endif
