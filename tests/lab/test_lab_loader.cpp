// The station's Historial tab with a lab history, against the throwaway server that ctest starts
// (tests/lab/lab_server.sh): the window never waits on the network.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "batch/history_model.h"
#include "batch/history_view.h"
#include "history/history_database.h"
#include "tests/support/lab_server.h"
#include "tests/support/program_run.h"

class TestLabLoader : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!lab_.missing.isEmpty()) QSKIP(qPrintable(lab_.missing));
        QCOMPARE(lab_.freshHistory({"puesto01", "puesto02"}), "");
        // A failed check of this station's, and a passed one of another's, on the server.
        own_ = keep("puesto01", "propia", Outcome::Fail);
        keep("puesto02", "ajena", Outcome::Pass);
    }

    // A lab that takes its time: the station's own checks at once, and why once the lab gives up;
    // a window that closes while the lab is tried again does not wait for it.
    void slowLabNeverHoldsTheWindow() {
        const int silent = silentPort();  // takes the connection and never answers
        QVERIFY(silent > 0);
        HistoryReader local(own_);
        auto view = std::make_unique<HistoryView>(
            local, QString("host=127.0.0.1 port=%1 connect_timeout=3 dbname=historial user=puesto01").arg(silent),
            nullptr);
        QElapsedTimer held;
        held.start();
        view->refresh();
        QVERIFY2(held.elapsed() < 1000, qPrintable(QString::number(held.elapsed())));
        QCOMPARE(view->model()->rowCount(), 1);
        QVERIFY(!view->showsLab() && status(*view).startsWith("Leyendo el historial del laboratorio"));
        QTRY_VERIFY_WITH_TIMEOUT(status(*view).contains("no se llega al servidor"), 10000);
        QVERIFY(status(*view).endsWith("Se muestra el historial de este puesto."));
        QCOMPARE(view->model()->rowCount(), 1);
        view->refresh();
        held.start();
        view.reset();
        QVERIFY2(held.elapsed() < 1500, qPrintable(QString::number(held.elapsed())));
        close(std::exchange(listener_, -1));  // the thread left behind fails at once, and ends
    }

    // Every station's checks once the lab answers, the chosen one's wiring and sheet read whole from
    // it; a lab that drops the station is read no more.
    void labShownOnceItAnswers() {
        HistoryReader local(own_);
        HistoryView view(local, lab_.connection("puesto01"), nullptr);
        auto* table = view.findChild<QTableView*>("historyTable");
        view.refresh();
        QTRY_VERIFY(view.showsLab());
        QCOMPARE(view.model()->rowCount(), 2);
        QCOMPARE(view.model()->data(view.model()->index(0, HistoryModel::Station)).toString(), "puesto02");
        QCOMPARE(status(view), "");
        table->selectRow(1);
        auto* wiring = view.findChild<QLabel*>("historyWiring");
        QTRY_VERIFY(wiring->accessibleDescription().startsWith("La entrada 4 no responde"));
        QTemporaryDir folder;
        QVERIFY(!view.writeSheet(1, folder.filePath("ficha.pdf")));

        // The server drops the station's connection, and will not let it in again.
        lab_.psql(
            "ALTER ROLE puesto01 NOLOGIN; SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
            "usename = 'puesto01'");
        // One Spanish sentence each, the server's own words in the tooltip.
        const QString lab = " (" + lab_.connection("puesto01") + "): ";
        for (const QString& said :
             {"No se puede leer el historial del laboratorio" + lab + "se ha perdido la conexión con el servidor.",
              "Historial del laboratorio" + lab +
                  "el servidor no acepta el inicio de sesión; revise el usuario y su contraseña en ~/.pgpass."}) {
            view.refresh();
            QTRY_COMPARE(status(view), said + " Se muestra el historial de este puesto.");
            QVERIFY(!view.showsLab() && !view.findChild<QLabel*>("historyStatus")->toolTip().isEmpty());
            QCOMPARE(view.model()->rowCount(), 1);
        }
        lab_.psql("ALTER ROLE puesto01 LOGIN");
    }

private:
    // A port on this machine where the kernel takes connections that nobody reads.
    int silentPort() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(listener_, 4) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return -1;
        return ntohs(address.sin_port);
    }
    void cleanupTestCase() {
        if (listener_ >= 0) close(listener_);
    }

    static QString status(const HistoryView& view) { return view.findChild<QLabel*>("historyStatus")->text(); }

    // A check kept in a station's own history, then sent: that history's path.
    QString keep(const QString& station, const QString& card, Outcome outcome) {
        const QString path = folder_.filePath(station + ".sqlite");
        {
            auto opened = HistoryDatabase::open(path, true);
            HistoryDatabase& history = *std::get<0>(opened);
            RunRecord record;
            record.started = QDateTime::currentDateTime().addSecs(station == "puesto01" ? -60 : 0);
            record.finished = record.started.addSecs(3);
            record.outcome = outcome;
            if (outcome == Outcome::Fail)
                record.tests << TestRecord{1, Outcome::Fail, 0, 0, {FailedCheck{0, 0, 1, 254, 254 ^ (1 << 4)}}, {}};
            const CheckContext context{card, CheckMode::Batch, "", {}, station};
            history.complete(std::get<qint64>(history.insert(record, context)), record, context);
        }
        const ProgramRun sync = runProgram(
            {"--history-sync", "--history", path, "--station", station, "--lab-history", lab_.connection(station)});
        [&] { QCOMPARE(sync.status, 0); }();
        return path;
    }

    const LabServer lab_ = LabServer::fromState();
    QTemporaryDir folder_;
    QString own_;
    int listener_ = -1;
};

QTEST_MAIN(TestLabLoader)
#include "test_lab_loader.moc"
