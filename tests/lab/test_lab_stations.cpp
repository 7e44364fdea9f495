// Stations that send their checks to a lab history, against the throwaway server that ctest starts
// (tests/lab/lab_server.sh): checks on the virtual clock, each station with its own history,
// journal and sender; the program itself where a process must end or start.
#include <csignal>
#include <mutex>

#include <unistd.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "check/offscreen_check.h"
#include "check/run_recorder.h"
#include "history/check_journal.h"
#include "history/history_database.h"
#include "history/lab_sender.h"
#include "tests/support/card_rig.h"
#include "tests/support/lab_server.h"
#include "tests/support/program_run.h"
#include "tests/support/test_window.h"

namespace {

// A station as the program makes one: the journal wakes the sender after each row it writes.
struct Station {
    Station(const QString& name, const QString& connection, const QString& folder, const QString& card)
        : path(folder + "/" + name + ".sqlite"),
          sender(path, connection, name, [this](const QString& warning) { warn(warning); }),
          journal(
              path, {card, CheckMode::Batch, {}, {}, name}, [this](const QString& warning) { warn(warning); },
              [this] { sender.wake(); }),
          check(rig.card, rig.clock, pictures.path(), {}) {
        keepInJournal(check.recorder(), journal);
        QObject::connect(&check, &OffscreenCheck::ended, [this] { ended = true; });
    }
    void warn(const QString& warning) {
        std::lock_guard lock(mutex);
        warnings << warning;
    }
    QStringList said() {
        std::lock_guard lock(mutex);
        return warnings;
    }

    CardRig rig;
    PictureFolder pictures;
    QString path;
    std::mutex mutex;
    QStringList warnings;
    LabSender sender;
    CheckJournal journal;
    OffscreenCheck check;
    bool ended = false;
};

}  // namespace

class TestLabStations : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!lab_.missing.isEmpty()) QSKIP(qPrintable(lab_.missing));
        QCOMPARE(lab_.freshHistory({"puesto01", "puesto02", "puesto03"}), "");
    }

    // Two stations check a card each at the same time, their clocks moved in turns of 5 ms, so that
    // both journals write and both senders send while the other's check runs: each check is there
    // once, under its station's name and login, and nothing waits.
    void twoStationsAtOnce() {
        QTemporaryDir folder;
        Station first("puesto01", connection("puesto01"), folder.path(), "dos-a");
        Station second("puesto02", connection("puesto02"), folder.path(), "dos-b");
        first.check.start();
        second.check.start();
        for (int turn = 0; turn < 20'000 && !(first.ended && second.ended); ++turn)
            for (Station* station : {&first, &second}) station->rig.clock.advance(5);
        QVERIFY(first.ended && second.ended);
        first.journal.flush();
        second.journal.flush();
        QVERIFY(first.sender.stop(-1) && second.sender.stop(-1));
        QCOMPARE(first.said() + second.said(), QStringList{});
        QCOMPARE(server("SELECT string_agg(concat_ws(' ', station, login, card, outcome), ', ' ORDER BY station) "
                        "FROM checks WHERE card LIKE 'dos-%'"),
                 "puesto01 puesto01 dos-a pass, puesto02 puesto02 dos-b pass");
        QCOMPARE(runProgram({"--history-sync", "--history", first.path, "--lab-history", connection("puesto01")}).out,
                 "Enviadas al historial del laboratorio: 0. Por enviar: 0.\n");
    }

    // The server stops while a check runs: the check ends as ever, one warning says why, and two
    // syncs once the server is back put it there once, complete.
    void serverStoppedDuringCheck() {
        QTemporaryDir folder;
        Station station("puesto01", connection("puesto01"), folder.path(), "corte");
        station.check.start();
        QTRY_COMPARE(server("SELECT outcome FROM checks WHERE card = 'corte'"), "running");
        QVERIFY(serverControl("stop"));
        station.rig.clock.runUntil([&station] { return station.ended; });
        station.journal.flush();
        QCOMPARE(station.check.record().outcome, Outcome::Pass);
        QVERIFY(station.sender.stop(-1));
        QCOMPARE(station.said().size(), 1);
        QVERIFY2(
            station.said()[0].contains("no se llega al servidor") && !station.said()[0].contains("?.") &&
                station.said()[0].endsWith("Las comprobaciones se guardan en este puesto y se enviarán más tarde."),
            qPrintable(station.said()[0]));
        QVERIFY(serverControl("start"));
        const QStringList sync{"--history-sync", "--history", station.path, "--lab-history", connection("puesto01")};
        const ProgramRun once = runProgram(sync);
        QCOMPARE(once.out + QString::number(once.status),
                 "Enviadas al historial del laboratorio: 1. Por enviar: 0.\n0");
        QCOMPARE(runProgram(sync).out, "Enviadas al historial del laboratorio: 0. Por enviar: 0.\n");
        QCOMPARE(server("SELECT count(*) || ' ' || string_agg(outcome, ' ') FROM checks WHERE card = 'corte'"),
                 "1 pass");
    }

    // A login the server refuses: one warning that says so, the check as ever, and it waits.
    void refusedLogin() {
        QTemporaryDir folder;
        Station station("nadie", connection("nadie"), folder.path(), "rechazada");
        station.check.start();
        station.rig.clock.runUntil([&station] { return station.ended; });
        station.journal.flush();
        QVERIFY(station.sender.stop(-1));
        QCOMPARE(station.check.record().outcome, Outcome::Pass);
        QCOMPARE(station.said().size(), 1);
        QVERIFY2(station.said()[0].contains("el servidor no acepta el inicio de sesión"),
                 qPrintable(station.said()[0]));
        const ProgramRun sync =
            runProgram({"--history-sync", "--history", station.path, "--lab-history", connection("nadie")});
        QCOMPARE(sync.out + QString::number(sync.status),
                 "Enviadas al historial del laboratorio: 0. Por enviar: 1.\n1");
    }

    // A check that the lab refuses (its uuid there already, as another station's running check,
    // which row-level security keeps from being changed) waits and is named, and the checks after it
    // go, once. A station warns of it, tried again, and warns again when the reason changes.
    void refusedCheckWaits() {
        QTemporaryDir folder;
        const QString path = folder.filePath("puesto03.sqlite");
        {
            auto history = std::move(std::get<std::unique_ptr<HistoryDatabase>>(HistoryDatabase::open(path, true)));
            RunRecord running;
            running.started = QDateTime::currentDateTime();
            for (const char* card : {"salta-a", "salta-b", "salta-c"})
                history->insert(running, {card, CheckMode::Batch, {}, {}, "puesto03"});
            QSqlQuery taken("SELECT uuid FROM checks WHERE card = 'salta-b'", history->database());
            QVERIFY(taken.next());
            QCOMPARE(
                server("INSERT INTO checks (uuid, station, login, started, kind, mode, outcome) VALUES ('" +
                       taken.value(0).toString() + "', 'puesto01', 'puesto01', now(), 'sequence', 'batch', 'running')"),
                "");
        }
        const ProgramRun sync =
            runProgram({"--history-sync", "--history", path, "--lab-history", connection("puesto03")});
        QCOMPARE(sync.out + QString::number(sync.status),
                 "Enviadas al historial del laboratorio: 2. Por enviar: 1.\n1");
        const QString refused =
            "El historial del laboratorio no acepta la comprobación 2 (tarjeta salta-b): otro usuario ya envió una "
            "comprobación con el mismo identificador";
        QVERIFY2(sync.err.contains(refused), qPrintable(sync.err));
        QCOMPARE(server("SELECT string_agg(card || ' ' || station, ', ' ORDER BY card) FROM checks WHERE card "
                        "LIKE 'salta-%'"),
                 "salta-a puesto03, salta-c puesto03");

        Station station("puesto03", connection("puesto03"), folder.path(), "salta-d");
        QTRY_COMPARE(station.said().size(), 1);
        lab_.psql("ALTER ROLE puesto03 NOLOGIN");
        station.sender.wake();
        QVERIFY(station.sender.stop(-1));
        lab_.psql("ALTER ROLE puesto03 LOGIN");
        QCOMPARE(station.said().size(), 2);
        QVERIFY2(station.said()[0].startsWith(refused) && station.said()[1].contains("no acepta el inicio de sesión"),
                 qPrintable(station.said().join('\n')));
    }

    // Set up by cardcheck.conf alone, the program records a check there; killed, the check reads as
    // interrupted on the server once the station syncs.
    void killedCheckReadsInterrupted() {
        QTemporaryDir folder;
        QDir(folder.path()).mkpath("cardcheck");
        QFile conf(folder.filePath("cardcheck/cardcheck.conf"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("[historial]\nlaboratorio=\"" + connection("puesto02").toUtf8() + "\"\npuesto=aula-3\n");
        conf.close();
        const QString history = folder.filePath("historial.sqlite");
        QProcess check;
        check.setProcessEnvironment(programEnvironment(folder.path()));
        check.start(CARDCHECK_EXECUTABLE, {"--auto", "--simulate", "--history", history, "--card", "muerta"});
        QTRY_COMPARE_WITH_TIMEOUT(server("SELECT station || ' ' || outcome FROM checks WHERE card = 'muerta'"),
                                  "aula-3 running", 15000);
        ::kill(pid_t(check.processId()), SIGKILL);
        QVERIFY(check.waitForFinished(5000));
        const ProgramRun sync = runProgram({"--history-sync", "--history", history}, folder.path());
        QCOMPARE(sync.out, "Enviadas al historial del laboratorio: 1. Por enviar: 0.\n");
        const ProgramRun list =
            runProgram({"--history-list", "--history", history, "--station", "aula-3"}, folder.path());
        QVERIFY2(list.out.endsWith("  aula-3      muerta        completa   interrumpida\n"), qPrintable(list.out));
        QVERIFY2(!list.err.contains("historial de este puesto"), qPrintable(list.err));  // the lab's list
    }

    // A station's checks from before it had a lab history go up at its first sync, once, under its
    // name, which the station's own history then keeps too.
    void olderChecksAtFirstSync() {
        QTemporaryDir folder;
        const QString history = folder.filePath("historial.sqlite");
        QVERIFY(QFile::copy(QStringLiteral(CARDCHECK_TEST_DATA "/history-v1.sqlite"), history));
        QFile::setPermissions(history, QFile::ReadOwner | QFile::WriteOwner);
        const QStringList sync{"--history-sync", "--history",           history, "--station", "antiguo",
                               "--lab-history",  connection("puesto01")};
        const ProgramRun first = runProgram(sync);
        const QString kept = server("SELECT count(*) FROM checks WHERE station = 'antiguo'");
        QVERIFY(kept.toInt() > 1);
        QCOMPARE(first.out, "Enviadas al historial del laboratorio: " + kept + ". Por enviar: 0.\n");
        QCOMPARE(runProgram(sync).out, "Enviadas al historial del laboratorio: 0. Por enviar: 0.\n");
        const ProgramRun local = runProgram({"--history-list", "--history", history, "--station", "antiguo"});
        QCOMPARE(local.out.count("  antiguo   "), kept.toInt());
    }

    // The server ends the station's connection in the middle of a sync, inside the batch's
    // transaction: the sync says why in one Spanish line, with nothing of Qt's or libpq's own.
    void syncLosesItsServer() {
        QTemporaryDir folder;
        const QString history = folder.filePath("historial.sqlite");
        QVERIFY(QFile::copy(QStringLiteral(CARDCHECK_TEST_DATA "/history-v1.sqlite"), history));
        QFile::setPermissions(history, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(server("CREATE FUNCTION cut() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN PERFORM "
                        "pg_terminate_backend(pg_backend_pid());RETURN NEW;END$$; CREATE TRIGGER cut BEFORE INSERT "
                        "ON checks FOR EACH ROW WHEN (NEW.station = 'cortado') EXECUTE FUNCTION cut()"),
                 "");
        const QStringList arguments{"--history-sync", "--history",           history, "--station", "cortado",
                                    "--lab-history",  connection("puesto01")};
        const ProgramRun sync = runProgram(arguments);
        // A technician asks for the server's own words as Qt's logging rules say.
        qputenv("QT_LOGGING_RULES", "cardcheck.lab.warning=true");
        const ProgramRun told = runProgram(arguments);
        qunsetenv("QT_LOGGING_RULES");
        QCOMPARE(server("DROP TRIGGER cut ON checks; DROP FUNCTION cut()"), "");
        const QString said =
            "Historial del laboratorio (" + connection("puesto01") + "): se ha perdido la conexión con el servidor.";
        QCOMPARE(sync.status, 1);
        QCOMPARE(sync.err, said + "\n");
        QVERIFY2(
            told.err.startsWith("[cardcheck.lab] " + said + " PostgreSQL: 57P01") && told.err.endsWith(said + "\n"),
            qPrintable(told.err));
    }

    // Refused before the port is touched: the missing port is never reported.
    void passwordOnCommandLineRefused() {
        const ProgramRun refused =
            runProgram({"--auto", "--port", "/nonexistent", "--lab-history", "host=s password=secreto"});
        QCOMPARE(refused.status, 2);
        QVERIFY2(refused.err.contains("la contraseña no va en la cadena de conexión") &&
                     !refused.err.contains("/nonexistent") && !refused.err.contains("secreto"),
                 qPrintable(refused.err));
    }

private:
    QString connection(const QString& user) const { return lab_.connection(user); }
    QString server(const QString& query) const { return lab_.psql(query, "historial"); }
    // Stops or starts the fixture's server as lab_server.sh does.
    bool serverControl(const QString& action) const {
        QStringList command{lab_.bin + "/pg_ctl",
                            "-D",
                            lab_.socket + "/data",
                            "-w",
                            "-l",
                            lab_.socket + "/server.log",
                            "-o",
                            "-c listen_addresses= -k " + lab_.socket + " -c fsync=off",
                            action,
                            "-m",
                            "fast"};
        if (getuid() == 0) command = QStringList{"-u", "postgres", "--"} + command;
        QProcess process;
        process.start(getuid() == 0 ? "runuser" : command.takeFirst(), command);
        return process.waitForFinished(60000) && process.exitCode() == 0;
    }

    const LabServer lab_ = LabServer::fromState();
};

QTEST_MAIN(TestLabStations)
#include "test_lab_stations.moc"
