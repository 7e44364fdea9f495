#include <QtTest>

#include <fcntl.h>

#include "app/form1.h"
#include "app/navigator.h"
#include "app/start_up.h"
#include "manual/form2.h"
#include "tests/support/test_window.h"

// A port that fails after a good start is reported once and never read again, and the windows
// stop showing readings.
class TestPortLost : public QObject {
    Q_OBJECT
private slots:
    void failedOperationIsReportedOnce();
    void windowsWithdraw();
};

void TestPortLost::failedOperationIsReportedOnce() {
    // /dev/null takes no parallel-port request: the first one fails as on a port that went away.
    const int fd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    QVERIFY(fd >= 0);
    auto port = PpdevPort::adopt(fd, "/dev/parport0");
    QStringList reports;
    port->setOnLost([&](const QString& message) { reports << message; });

    port->PortOut(890, 7);
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports[0].contains("/dev/parport0") && reports[0].contains("Se ha perdido el acceso"),
             qPrintable(reports[0]));
    QVERIFY(port->lost());
    QCOMPARE(int(port->PortIn(889)), 0);
    port->PortOut(888, 255);
    QCOMPARE(reports.size(), 1);
}

// Inside the failed port operation the windows only leave the screen; the end comes from the
// event loop.
void TestPortLost::windowsWithdraw() {
    CardRig rig;
    Navigator navigator(rig.card, rig.clock, CARDCHECK_PICTURE_DIR, [](int) {});
    navigator.start();
    Form2& panel = navigator.showForm2();
    QList<int> ended;
    leaveOnLostPort("puerto perdido", [&](int status) { ended << status; });
    QVERIFY(!panel.Timer1->isActive() && !panel.Timer2->isActive());
    QVERIFY(!panel.isVisible() && !navigator.form1()->isVisible());
    QVERIFY(ended.isEmpty());
    QTRY_COMPARE(ended, QList<int>{2});
}

QTEST_MAIN(TestPortLost)
#include "test_port_lost.moc"
