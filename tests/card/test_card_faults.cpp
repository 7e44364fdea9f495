#include <QtTest>
#include "card/card_faults.h"

// The faults a simulated card can be given, as the command line gives them.
class TestCardFaults : public QObject {
    Q_OBJECT
private slots:
    void malformed_data();
    void malformed();
};

void TestCardFaults::malformed_data() {
    QTest::addColumn<QString>("hint");  // the row's name is the fault as given
    QTest::newRow("quemado:1") << "los fallos conocidos";
    QTest::newRow("roto:8") << "roto:N";
    QTest::newRow("cruzados:3,3") << "cruzados:A,B";
    QTest::newRow("fija:1=2") << "fija:N=V";
    QTest::newRow("analogica:1=256") << "analogica:K=R";
    QTest::newRow("ausente:1") << "ausente no lleva";
}

void TestCardFaults::malformed() {
    const QString text = QString::fromLatin1(QTest::currentDataTag());
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
