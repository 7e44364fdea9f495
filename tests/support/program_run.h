#ifndef TESTS_SUPPORT_PROGRAM_RUN_H
#define TESTS_SUPPORT_PROGRAM_RUN_H

#include <QDir>
#include <QProcess>

// The program as a user at a terminal runs it, or cron, without a desktop session: times in UTC,
// and its cardcheck.conf from configHome (by default a folder with none, whatever the machine's
// user has).
struct ProgramRun {
    int status;
    QString out;
    QString err;
    QByteArray outBytes;
};

inline QProcessEnvironment programEnvironment(const QString& configHome = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TZ", "UTC");
    environment.remove("XDG_RUNTIME_DIR");
    environment.insert("XDG_CONFIG_HOME", configHome.isEmpty() ? QDir::tempPath() + "/cardcheck-sin-conf" : configHome);
    return environment;
}

inline ProgramRun runProgram(const QStringList& arguments, const QString& configHome = {}) {
    QProcess program;
    program.setProcessEnvironment(programEnvironment(configHome));
    program.start(CARDCHECK_EXECUTABLE, arguments);
    program.waitForFinished(30000);
    const QByteArray out = program.readAllStandardOutput();
    return {program.exitCode(), QString::fromUtf8(out), QString::fromUtf8(program.readAllStandardError()), out};
}

#endif
