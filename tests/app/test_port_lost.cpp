#include <QtTest>

#include <fcntl.h>

#include "app/form1.h"
#include "app/navigator.h"
#include "app/start_up.h"
#include "manual/form2.h"
#include "tests/support/card_rig.h"

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
    QVERIFY2(reports[0].contains("/dev/parport0") && reports[0].contains("Se ha perdido el acceso") &&
                 reports[0].contains("no acepta las órdenes"),  // in Spanish, not the C library's words
             qPrintable(reports[0]));
    QVERIFY(port->lost());
    QCOMPARE(int(port->PortIn(889)), 0);
    port->PortOut(888, 255);
    QCOMPARE(reports.size(), 1);
}

void TestPortLost::windowsWithdraw() {
    CardRig rig;
    Navigator navigator(rig.card, CARDCHECK_PICTURE_DIR, [](int) {});
    navigator.start();
    Form2& panel = navigator.showForm2();
    QVERIFY(panel.Timer1->isActive() && panel.Timer2->isActive());

    withdrawAllWindows();
    QVERIFY(!panel.Timer1->isActive() && !panel.Timer2->isActive());
    QVERIFY(!panel.isVisible() && !navigator.form1()->isVisible());
}

QTEST_MAIN(TestPortLost)
#include "test_port_lost.moc"
