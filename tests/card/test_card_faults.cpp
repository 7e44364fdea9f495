#include <QtTest>

#include "card/card_faults.h"

class TestCardFaults : public QObject {
    Q_OBJECT
private slots:
    void wellFormed();
    void malformed_data();
    void malformed();
};

void TestCardFaults::wellFormed() {
    CardFaults faults;
    for (const char* text : {"roto:3", "cruzados:2,4", "fija:6=1", "analogica:2=200", "analogica:4=0, 0,255"})
        QVERIFY2(!addFault(faults, QString::fromLatin1(text)), text);
    CardFaults expected;
    expected.inputSource = {0, 1, 4, -1, 2, 5, 6, 7};
    expected.stuckInput[6] = 1;
    expected.analogReadings[1] = {200};
    expected.analogReadings[3] = {0, 0, 255};
    QVERIFY(faults == expected);
}

void TestCardFaults::malformed_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hint");
    QTest::newRow("unknown kind") << "quemado:1"
                                  << "los fallos conocidos";
    QTest::newRow("no number") << "roto"
                               << "roto:N";
    QTest::newRow("input out of range") << "roto:8"
                                        << "roto:N";
    QTest::newRow("crossed with itself") << "cruzados:3,3"
                                         << "cruzados:A,B";
    QTest::newRow("crossed, one wire") << "cruzados:3"
                                       << "cruzados:A,B";
    QTest::newRow("stuck at 2") << "fija:1=2"
                                << "fija:N=V";
    QTest::newRow("analog input 0") << "analogica:0=100"
                                    << "analogica:K=R";
    QTest::newRow("analog reading 256") << "analogica:1=256"
                                        << "analogica:K=R";
    QTest::newRow("analog, no readings") << "analogica:1="
                                         << "analogica:K=R";
}

void TestCardFaults::malformed() {
    QFETCH(QString, text);
    QFETCH(QString, hint);
    CardFaults faults;
    faults.inputSource[0] = -1;
    const CardFaults before = faults;
    const auto error = addFault(faults, text);
    QVERIFY(error);
    QVERIFY2(error->contains(text) && error->contains(hint), qPrintable(*error));
    QVERIFY(faults == before);
}

QTEST_GUILESS_MAIN(TestCardFaults)
#include "test_card_faults.moc"
