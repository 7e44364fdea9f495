#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

#include "card/ppdev_port.h"

// The parallel-port backend refuses what is not a usable parallel port, and says why.
class TestPpdevPort : public QObject {
    Q_OBJECT
private slots:
    void refusals_data();
    void refusals();
    void failedOperationIsReportedOnce();

private:
    QTemporaryFile plainFile_;
};

void TestPpdevPort::refusals_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("cause");
    QTest::newRow("missing path") << "/nonexistent/parport9"
                                  << "no existe ese dispositivo";
    QTest::newRow("character device that is no port") << "/dev/null"
                                                      << "no es un puerto paralelo";
    QVERIFY(plainFile_.open());
    QTest::newRow("plain file") << plainFile_.fileName() << "no es un puerto paralelo";
}

void TestPpdevPort::refusals() {
    QFETCH(QString, device);
    QFETCH(QString, cause);
    auto opened = PpdevPort::open(device);
    QVERIFY(std::holds_alternative<PortAccessError>(opened));
    const QString message = std::get<PortAccessError>(opened).message();
    QVERIFY2(message.contains(device), qPrintable(message));
    QVERIFY2(message.contains(cause), qPrintable(message));
    QVERIFY2(message.contains("--simulate"), qPrintable(message));
}

void TestPpdevPort::failedOperationIsReportedOnce() {
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

QTEST_GUILESS_MAIN(TestPpdevPort)
#include "test_ppdev_port.moc"
