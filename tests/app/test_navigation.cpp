#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QtTest>

#include "app/form1.h"
#include "app/navigator.h"
#include "manual/form2.h"
#include "tests/support/card_rig.h"
#include "widgets/lamp.h"
#include "widgets/wrap_button.h"

namespace {

const QStringList kWriteZero{QStringLiteral("out 890 7"), QStringLiteral("out 888 0")};

// The program as main() runs it, on a simulated card, with the end of the program recorded
// together with what had been written by then.
struct Program {
    Program()
        : navigator(rig.card, QString(), [this](int status) { ended << std::pair(status, rig.recorder.trace()); }) {
        navigator.start();
    }

    Form1& menu() { return *navigator.form1(); }

    Form2& enterPanel() {
        menu().Command1->click();
        return *navigator.form2();
    }

    CardRig rig;
    QList<std::pair<int, QStringList>> ended;
    Navigator navigator;
};

// Windows that are unloaded go once the event loop gets to them.
void processUnloads() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void verifyMenuIsBack(Program& program) {
    QVERIFY(program.menu().isVisible());
    QVERIFY(program.menu().isEnabled());
    QVERIFY(program.navigator.form2() == nullptr);
}

}  // namespace

class TestNavigation : public QObject {
    Q_OBJECT
private slots:
    void startWritesNothing();
    void menuToPanel();
    void leavingThePanel_data();
    void leavingThePanel();
    void secondVisitStartsAfresh();
    void endingTheProgram_data();
    void endingTheProgram();
};

void TestNavigation::startWritesNothing() {
    Program program;
    QVERIFY(program.rig.recorder.trace().isEmpty());
    QVERIFY(program.menu().isVisible());
    QVERIFY(program.menu().isEnabled());
    QVERIFY(program.navigator.form2() == nullptr);
    QVERIFY(program.ended.isEmpty());
}

void TestNavigation::menuToPanel() {
    Program program;
    Form2& panel = program.enterPanel();

    // The relays are switched off before the monitors read anything.
    QCOMPARE(program.rig.recorder.trace(), kWriteZero);
    QVERIFY(!program.menu().isVisible());
    QVERIFY(!program.menu().isEnabled());
    QVERIFY(panel.isVisible());
    QVERIFY(panel.isEnabled());
    QVERIFY(panel.Timer1->isActive());
    QVERIFY(panel.Timer2->isActive());
    QCOMPARE(panel.Text4->text(), QStringLiteral("Text4"));
    QVERIFY(program.ended.isEmpty());
}

void TestNavigation::leavingThePanel_data() {
    QTest::addColumn<bool>("throughFrame");
    QTest::newRow("VOLVER AL MENU ANTERIOR") << false;
    QTest::newRow("window frame") << true;
}

// Both ways switch every relay off, stop the monitors and bring the menu back.
void TestNavigation::leavingThePanel() {
    QFETCH(bool, throughFrame);

    Program program;
    QPointer<Form2> panel = &program.enterPanel();
    panel->Encender_Todas->click();
    QPointer<QTimer> timer1 = panel->Timer1;
    QPointer<QTimer> timer2 = panel->Timer2;
    program.rig.recorder.clear();

    if (throughFrame)
        QVERIFY(!panel->close());
    else
        panel->Command1->click();

    QCOMPARE(program.rig.recorder.trace(), kWriteZero);
    QVERIFY(!timer1->isActive());
    QVERIFY(!timer2->isActive());
    QVERIFY(!panel->isVisible());
    verifyMenuIsBack(program);
    processUnloads();
    QVERIFY(panel.isNull());
    QVERIFY(timer1.isNull());
    QVERIFY(timer2.isNull());
    verifyMenuIsBack(program);
    QVERIFY(program.ended.isEmpty());
}

void TestNavigation::secondVisitStartsAfresh() {
    Program program;
    Form2& first = program.enterPanel();
    first.Encender_Apagar[2]->click();
    first.Encender_Apagar[5]->click();
    program.rig.clock.advance(100);
    first.Timer1_Timer();
    QCOMPARE(first.Text4->text(), QStringLiteral("219"));
    first.Command1->click();
    processUnloads();
    program.rig.recorder.clear();

    Form2& second = program.enterPanel();

    QCOMPARE(program.rig.recorder.trace(), kWriteZero);
    QVERIFY(second.isVisible());
    QVERIFY(second.isEnabled());
    QVERIFY(second.Timer1->isActive());
    QVERIFY(second.Timer2->isActive());
    QCOMPARE(second.Text4->text(), QStringLiteral("Text4"));
    for (int n = 0; n < 8; ++n) {
        QVERIFY(!second.Shape2[n]->isLit());
        QVERIFY(!second.Shape1[n]->isLit());
        QCOMPARE(second.Encender_Apagar[n]->caption(),
                 n % 2 ? QStringLiteral("Encender ") : QStringLiteral("Encender"));
    }
    QCOMPARE(int(second.OutputsFromIndicators()), 0);
}

void TestNavigation::endingTheProgram_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<QStringList>("written");

    // The menu never drives the card: the outputs are already off whenever it is on screen.
    QTest::newRow("menu SALIR DEL PROGRAMA") << "menu button" << QStringList();
    QTest::newRow("menu window frame") << "menu frame" << QStringList();
    QTest::newRow("panel SALIR DEL PROGRAMA") << "panel button" << kWriteZero;
}

void TestNavigation::endingTheProgram() {
    QFETCH(QString, way);
    QFETCH(QStringList, written);

    Program program;
    QPointer<Form2> panel;
    if (way == u"panel button") {
        panel = &program.enterPanel();
        panel->Encender_Apagar[1]->click();
        program.rig.recorder.clear();
        panel->Salir->click();
    } else if (way == u"menu button") {
        program.menu().Command3->click();
    } else {
        program.menu().close();
    }

    QCOMPARE(program.ended.size(), 1);
    QCOMPARE(program.ended[0].first, 0);
    // Whatever is written is written before the program ends, and nothing after.
    QCOMPARE(program.ended[0].second, written);
    QCOMPARE(program.rig.recorder.trace(), written);
    if (panel) {
        QVERIFY(!panel->Timer1->isActive());
        QVERIFY(!panel->Timer2->isActive());
    }
}

QTEST_MAIN(TestNavigation)
#include "test_navigation.moc"
