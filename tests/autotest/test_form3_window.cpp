#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>
#include <QtTest>

#include "assets/pictures.h"
#include "chain_driver.h"
#include "widgets/lamp.h"
#include "widgets/twips.h"
#include "widgets/wrap_button.h"

// The test window as designed, as loaded, and every way of starting and leaving it.
class TestForm3Window : public QObject {
    Q_OBJECT
private slots:
    void captionAndPlace();
    void controlPlaces_data();
    void controlPlaces();
    void captionNumbering_data();
    void captionNumbering();
    void captionsFitTheirControls();
    void coloursAndFonts();
    void helpTexts();
    void salirHasTheFocus();
    void timersAsDesigned_data();
    void timersAsDesigned();
    void loadStartsIdle();
    void loadShowsTheBuiltInPicture();
    void startButtonsDuringATest_data();
    void startButtonsDuringATest();
    void leavingDuringATest_data();
    void leavingDuringATest();
    void salirSwitchesOffAndEnds();
    void closingTheFrameGoesBackToTheMenu();
};

namespace {

// Notes, at every port write, which test timers run at that moment.
class TimerWatchPort : public Port {
public:
    explicit TimerWatchPort(Port& inner) : inner_(inner) {}
    void PortOut(qint16 port, qint16 value) override {
        notes << QStringLiteral("out %1 %2 while %3").arg(port).arg(value).arg(running());
        inner_.PortOut(port, value);
    }
    qint16 PortIn(qint16 port) override { return inner_.PortIn(port); }

    const Form3* form = nullptr;
    QStringList notes;

private:
    QString running() const {
        QStringList timers;
        const auto all = testTimers(*form);
        for (int test = 1; test <= 6; ++test)
            if (all[test - 1]->isActive()) timers << QStringLiteral("Timer%1").arg(test);
        return timers.isEmpty() ? QStringLiteral("none") : timers.join(u' ');
    }
    Port& inner_;
};

QWidget* control(Form3& form, const QString& name) {
    const QHash<QString, QWidget*> single{
        {"Frame1", form.Frame1},     {"Frame2", form.Frame2},     {"Frame3", form.Frame3},
        {"Text1", form.Text1},       {"Picture3", form.Picture3}, {"Text2(0)", form.Text2[0]},
        {"Label3", form.Label3},     {"List1", form.List1},       {"List2", form.List2},
        {"Command3", form.Command3}, {"Command7", form.Command7}, {"Command2", form.Command2},
        {"Salir", form.Salir}};
    if (single.contains(name)) return single.value(name);
    // An element of a control array: "Picture1(3)".
    const qsizetype open = name.indexOf(u'(');
    const QString array = name.left(open);
    const int element = name.mid(open + 1).chopped(1).toInt();
    if (array == "Picture1") return form.Picture1[element];
    if (array == "Picture2") return form.Picture2[element];
    if (array == "Shape3") return form.Shape3[element];
    if (array == "Text3") return form.Text3[element];
    return nullptr;
}

}  // namespace

void TestForm3Window::captionAndPlace() {
    WindowRig w;
    QCOMPARE(w.form.windowTitle(), QStringLiteral("Control Automatico de la Tarjeta"));
    QCOMPARE(w.form.geometry(), QRect(176, 91, 684, 586));
}

void TestForm3Window::controlPlaces_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("Frame1") << "Frame1"
                            << "" << QRect(360, 240, 1935, 3735);
    QTest::newRow("Frame2") << "Frame2"
                            << "" << QRect(2400, 240, 2055, 3735);
    QTest::newRow("Frame3") << "Frame3"
                            << "" << QRect(240, 5280, 3495, 2175);
    for (int k = 0; k < 8; ++k) {
        QTest::addRow("Picture1(%d)", k) << QStringLiteral("Picture1(%1)").arg(k) << "Frame1"
                                         << QRect(240, 240 + 360 * k, 375, 375);
        QTest::addRow("Picture2(%d)", k) << QStringLiteral("Picture2(%1)").arg(k) << "Frame2"
                                         << QRect(120, 240 + 360 * k, 375, 375);
    }
    for (int j = 0; j < 4; ++j) {
        QTest::addRow("Shape3(%d)", j) << QStringLiteral("Shape3(%1)").arg(j) << "Frame3"
                                       << QRect(360, 360 + 360 * j, 255, 255);
        QTest::addRow("Text3(%d)", j + 1)
            << QStringLiteral("Text3(%1)").arg(j + 1) << "Frame3" << QRect(1920, 360 + 360 * j, 1335, 285);
    }
    QTest::newRow("Text1") << "Text1"
                           << "" << QRect(120, 4200, 4335, 735);
    QTest::newRow("Text3(0)") << "Text3(0)"
                              << "" << QRect(240, 7560, 3495, 975);
    QTest::newRow("Picture3") << "Picture3"
                              << "" << QRect(5280, 360, 1695, 1125);
    QTest::newRow("Text2(0)") << "Text2(0)"
                              << "" << QRect(7080, 360, 2895, 1095);
    QTest::newRow("Label3") << "Label3"
                            << "" << QRect(6480, 1680, 2415, 375);
    QTest::newRow("List1") << "List1"
                           << "" << QRect(5520, 2280, 4215, 2010);
    QTest::newRow("List2") << "List2"
                           << "" << QRect(5520, 4320, 4215, 1815);
    QTest::newRow("Command3") << "Command3"
                              << "" << QRect(5640, 6600, 1695, 975);
    QTest::newRow("Command7") << "Command7"
                              << "" << QRect(5640, 7800, 1695, 495);
    QTest::newRow("Command2") << "Command2"
                              << "" << QRect(8040, 6600, 1455, 735);
    QTest::newRow("Salir") << "Salir"
                           << "" << QRect(8040, 7560, 1455, 735);
}

void TestForm3Window::controlPlaces() {
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, twips);
    WindowRig w;
    QWidget* widget = control(w.form, name);
    QVERIFY(widget);
    QWidget* expectedParent = parent.isEmpty() ? &w.form : control(w.form, parent);
    QCOMPARE(widget->parentWidget(), expectedParent);
    QCOMPARE(widget->geometry(), twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
}

void TestForm3Window::captionNumbering_data() {
    QTest::addColumn<QString>("array");
    QTest::addColumn<int>("element");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<int>("row");
    for (int k = 0; k < 8; ++k) {
        const int element = k == 0 ? 7 : k - 1;
        QTest::addRow("Salida %d", k) << "Label2" << element << QStringLiteral("Salida %1").arg(k) << "Frame1" << k;
        QTest::addRow("Entrada %d", k) << "Label1" << element << QStringLiteral("Entrada %1").arg(k) << "Frame2" << k;
    }
    for (int n = 1; n <= 4; ++n)
        QTest::addRow("analog Entrada %d", n)
            << "Label1" << 12 - n << QStringLiteral("Entrada %1").arg(n) << "Frame3" << n - 1;
}

// Each caption stands on the row of the indicator or lamp it names.
void TestForm3Window::captionNumbering() {
    QFETCH(QString, array);
    QFETCH(int, element);
    QFETCH(QString, text);
    QFETCH(QString, frame);
    QFETCH(int, row);
    WindowRig w;
    QLabel* label = array == "Label2" ? w.form.Label2[element] : w.form.Label1[element];
    QCOMPARE(label->text(), text);
    QCOMPARE(label->parentWidget(), control(w.form, frame));
    const int left = frame == "Frame1" ? 720 : frame == "Frame2" ? 600 : 840;
    QCOMPARE(label->geometry(), twipsRect(left, 360 + 360 * row, 975, 255));
    QWidget* marker = frame == "Frame1"   ? static_cast<QWidget*>(w.form.Picture1[row])
                      : frame == "Frame2" ? static_cast<QWidget*>(w.form.Picture2[row])
                                          : static_cast<QWidget*>(w.form.Shape3[row]);
    QVERIFY(qAbs(label->geometry().center().y() - marker->geometry().center().y()) <= 4);
}

void TestForm3Window::captionsFitTheirControls() {
    WindowRig w;
    QList<QLabel*> labels(w.form.Label1.begin(), w.form.Label1.end());
    labels += QList<QLabel*>(w.form.Label2.begin(), w.form.Label2.end());
    labels << w.form.Label3;
    for (QLabel* label : labels) {
        const QFontMetrics metrics(label->font());
        QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(), qPrintable(label->text()));
    }
    for (QGroupBox* frame : {w.form.Frame1, w.form.Frame2, w.form.Frame3})
        QVERIFY2(QFontMetrics(frame->font()).horizontalAdvance(frame->title()) < frame->width() - 16,
                 qPrintable(frame->title()));
    // Test 6's countdown, the longest progress line, shows whole.
    const int textMargin = w.form.List1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, w.form.List1) + 1;
    QVERIFY(QFontMetrics(w.form.List1->font()).horizontalAdvance("COMPROBANDO ESTABILIDAD. Tiempo restante: 9") <=
            w.form.List1->contentsRect().width() - 2 * textMargin);
    // The start button's caption is too wide for one line, but each of its two words fits.
    const QFontMetrics large(w.form.Command3->font());
    QVERIFY(large.horizontalAdvance("INICIAR TEST") > w.form.Command3->width());
    QVERIFY(large.horizontalAdvance("INICIAR") < w.form.Command3->width() - 4);
    QVERIFY(2 * large.height() <= w.form.Command3->height());
}

void TestForm3Window::coloursAndFonts() {
    WindowRig w;
    QVERIFY(w.form.Picture3->autoFillBackground());
    QCOMPARE(w.form.Picture3->palette().color(QPalette::Window), QColor(kTestLabelGreen));
    QPlainTextEdit* description = w.form.Text2[0];
    QCOMPARE(description->palette().color(QPalette::Base), QColor(255, 255, 192));
    QVERIFY(description->font().bold());
    QCOMPARE(description->font().pointSizeF(), 8.25);
    QCOMPARE(w.form.font().pointSizeF(), 8.25);
    QCOMPARE(w.form.Label3->text(), QStringLiteral("RESULTADOS"));
    QCOMPARE(w.form.Label3->font().pointSize(), 18);
    QCOMPARE(w.form.Command3->caption(), QStringLiteral(" INICIAR     TEST "));
    QCOMPARE(w.form.Command3->font().pointSize(), 18);
    QCOMPARE(w.form.Command7->caption(), QStringLiteral("INICIAR TEST ANALOGICO"));
    QCOMPARE(w.form.Command2->caption(), QStringLiteral("VOLVER AL MENU ANTERIOR"));
    QCOMPARE(w.form.Salir->caption(), QStringLiteral("SALIR DEL PROGRAMA"));
    QCOMPARE(w.form.Frame1->title(), QStringLiteral("SALIDAS DIGITALES"));
    QCOMPARE(w.form.Frame2->title(), QStringLiteral("ENTRADAS DIGITALES"));
    QCOMPARE(w.form.Frame3->title(), QStringLiteral("ENTRADAS ANALOGICAS - Tension"));
    for (Lamp* lamp : w.form.Shape3) QVERIFY(!lamp->isLit());
    for (int n = 1; n <= 4; ++n) QCOMPARE(w.form.Text3[n]->toPlainText(), QString());
    QCOMPARE(description->toPlainText(), QString());
}

void TestForm3Window::helpTexts() {
    WindowRig w;
    QCOMPARE(w.form.Text1->toPlainText(), QStringLiteral("Se puede comprobar visualmente, cual es la conexion que \n"
                                                         "falla. Cuando una salida esta activada, su entrada, debe \n"
                                                         "estar desactivada, y al reves.\n"));
    QCOMPARE(w.form.Text3[0]->toPlainText(), QStringLiteral("Se puede comprobar visualmente, si la entrada \n"
                                                            "analogica falla. Al enviar una señal por uno de \n"
                                                            "los canales, este debe encenderse y dar un \n"
                                                            "valor de tension menor que +5 V\n"));
    const QColor menuBar = QApplication::palette("QMenuBar").color(QPalette::Window);
    for (QPlainTextEdit* help : {w.form.Text1, w.form.Text3[0]}) {
        QCOMPARE(help->palette().color(QPalette::Base), menuBar);
        // Every line is shown whole, on a line of its own.
        const QFontMetrics metrics(help->font());
        const QStringList lines = help->toPlainText().split(u'\n', Qt::SkipEmptyParts);
        for (const QString& line : lines)
            QVERIFY2(metrics.horizontalAdvance(line.trimmed()) < help->width() - 4, qPrintable(line));
        QVERIFY(metrics.lineSpacing() * lines.size() < help->height() - 4);
    }
}

void TestForm3Window::salirHasTheFocus() {
    WindowRig w;
    w.form.show();
    QApplication::setActiveWindow(&w.form);
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QCOMPARE(QApplication::focusWidget(), w.form.Salir);
    QCOMPARE(w.form.Salir->nextInFocusChain(), w.form.Command3);
}

void TestForm3Window::timersAsDesigned_data() {
    QTest::addColumn<int>("test");
    QTest::addColumn<int>("interval");
    QTest::newRow("Timer1") << 1 << 500;
    QTest::newRow("Timer2") << 2 << 500;
    QTest::newRow("Timer3") << 3 << 50;
    QTest::newRow("Timer4") << 4 << 500;
    QTest::newRow("Timer5") << 5 << 500;
    QTest::newRow("Timer6") << 6 << 100;
}

void TestForm3Window::timersAsDesigned() {
    QFETCH(int, test);
    QFETCH(int, interval);
    WindowRig w;
    QTimer* timer = testTimers(w.form)[test - 1];
    QCOMPARE(timer->interval(), interval);
    QCOMPARE(timer->timerType(), Qt::PreciseTimer);
    QVERIFY(!timer->isSingleShot());
    QVERIFY(!timer->isActive());
}

// A window loaded again after a run starts from nothing: counters, lists, timers; the card untouched.
void TestForm3Window::loadStartsIdle() {
    WindowRig first;
    first.form.Command3_Click();
    ChainDriver(first.form, first.rig).run(3);
    QCOMPARE(TestStep, qint16(3));

    WindowRig w;
    w.form.List1->AddItem("left over");
    w.form.List2->AddItem("left over");
    TestStep = 5;
    TestRound = 2;
    w.form.Form_Load();
    QCOMPARE(TestStep, qint16(0));
    QCOMPARE(TestRound, qint16(0));
    QVERIFY(w.form.List1->lines().isEmpty());
    QVERIFY(w.form.List2->lines().isEmpty());
    QCOMPARE(runningTest(w.form), 0);
    QVERIFY(w.rig.recorder.trace().isEmpty());
}

void TestForm3Window::loadShowsTheBuiltInPicture() {
    const QImage builtIn(QString::fromLatin1(kTestLabelResource));
    QVERIFY2(!builtIn.isNull(), "the built-in TEST 1 picture is missing from the program");
    WindowRig w;
    QVERIFY(w.form.Picture3->showsPicture());
    QCOMPARE(w.form.Picture3->picturePath(), QString());
    QCOMPARE(w.form.Picture3->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
             builtIn.convertToFormat(QImage::Format_RGB32));
}

void TestForm3Window::startButtonsDuringATest_data() {
    QTest::addColumn<int>("interrupted");
    QTest::addColumn<int>("ticksIn");
    QTest::addColumn<QString>("button");
    for (const char* button : {"Command3", "Command7"}) {
        QTest::addRow("%s in test 1", button) << 1 << 3 << button;
        QTest::addRow("%s in test 2", button) << 2 << 11 << button;
        QTest::addRow("%s in test 3", button) << 3 << 19 << button;
        QTest::addRow("%s in test 4", button) << 4 << 2 << button;
        QTest::addRow("%s in test 5", button) << 5 << 1 << button;
        QTest::addRow("%s in test 6", button) << 6 << 4 << button;
    }
}

// A start button stops whatever runs, starts its own test afresh, and leaves the relays alone.
void TestForm3Window::startButtonsDuringATest() {
    QFETCH(int, interrupted);
    QFETCH(int, ticksIn);
    QFETCH(QString, button);
    WindowRig w;
    ChainDriver driver(w.form, w.rig);
    w.form.Command3_Click();
    driver.runUntilTest(interrupted);
    for (int i = 0; i < ticksIn; ++i) driver.fire();
    QCOMPARE(runningTest(w.form), interrupted);
    QVERIFY(!w.form.List2->lines().isEmpty() || !w.form.List1->lines().isEmpty());
    const int relays = w.rig.sim.relays();
    const qsizetype traceBefore = w.rig.recorder.trace().size();

    if (button == "Command3")
        w.form.Command3_Click();
    else
        w.form.Command7_Click();

    QCOMPARE(runningTest(w.form), button == "Command3" ? 1 : 6);
    QCOMPARE(TestStep, qint16(0));
    QCOMPARE(TestRound, qint16(0));
    QVERIFY(w.form.List1->lines().isEmpty());
    QVERIFY(w.form.List2->lines().isEmpty());
    QCOMPARE(w.rig.recorder.trace().size(), traceBefore);
    QCOMPARE(w.rig.sim.relays(), relays);

    // The restarted test begins at its first step.
    const Tick first = driver.fire();
    if (button == "Command3") {
        QCOMPARE(first.trace.first(), QStringLiteral("W1"));
        QCOMPARE(first.list1, passLines(1));
    } else {
        QCOMPARE(first.list1.first(), QStringLiteral("COMPROBANDO ESTABILIDAD. Tiempo restante: 9"));
        QCOMPARE(w.rig.sim.relays(), relays);
    }
}

void TestForm3Window::leavingDuringATest_data() {
    QTest::addColumn<int>("interrupted");
    QTest::addColumn<int>("ticksIn");
    QTest::newRow("idle") << 0 << 0;
    QTest::newRow("test 1") << 1 << 2;
    QTest::newRow("test 2") << 2 << 5;
    QTest::newRow("test 3") << 3 << 9;
    QTest::newRow("test 4") << 4 << 3;
    QTest::newRow("test 5") << 5 << 2;
    QTest::newRow("test 6") << 6 << 5;
}

// "VOLVER AL MENU ANTERIOR": the digital tests stop before the outputs go off, so no step can
// switch a relay on again; then the menu comes back and the window is unloaded.
void TestForm3Window::leavingDuringATest() {
    QFETCH(int, interrupted);
    QFETCH(int, ticksIn);
    PictureFolder pictures;
    CardRig rig;
    TimerWatchPort watch(rig.recorder);
    Card card(watch, rig.recorder);
    FakeNavigation navigation;
    Form3 form(card, navigation, pictures.path());
    watch.form = &form;
    navigation.window = &form;
    form.Form_Load();
    form.show();
    ChainDriver driver(form, rig);
    if (interrupted) {
        form.Command3_Click();
        driver.runUntilTest(interrupted);
        for (int i = 0; i < ticksIn; ++i) driver.fire();
        QCOMPARE(runningTest(form), interrupted);
    }
    watch.notes.clear();

    form.Command2_Click();

    const QString stillRunning = interrupted == 6 ? QStringLiteral("Timer6") : QStringLiteral("none");
    QCOMPARE(watch.notes, QStringList({"out 890 7 while " + stillRunning, "out 888 0 while " + stillRunning}));
    QCOMPARE(navigation.calls, QStringList({"showMenu (hidden, disabled)", "unload (hidden, disabled)"}));
    QCOMPARE(runningTest(form), 0);
    QCOMPARE(rig.sim.relays(), 0);
    QCOMPARE(driver.sequenceEnded(), 0);
}

void TestForm3Window::salirSwitchesOffAndEnds() {
    WindowRig w;
    w.form.show();
    ChainDriver driver(w.form, w.rig);
    w.form.Command3_Click();
    driver.fire();
    w.rig.recorder.clear();
    w.form.Salir_Click();
    QCOMPARE(w.rig.recorder.trace(), QStringList({"out 890 7", "out 888 0"}));
    QCOMPARE(w.navigation.calls, QStringList({"endProgram (visible, enabled)"}));
}

// The frame's close control does what "VOLVER AL MENU ANTERIOR" does, rather than leave the
// menu hidden with no window on screen.
void TestForm3Window::closingTheFrameGoesBackToTheMenu() {
    WindowRig w;
    w.form.show();
    ChainDriver driver(w.form, w.rig);
    w.form.Command3_Click();
    driver.fire();
    w.rig.recorder.clear();
    w.form.close();
    QCOMPARE(w.rig.recorder.trace(), QStringList({"out 890 7", "out 888 0"}));
    QCOMPARE(w.navigation.calls, QStringList({"showMenu (hidden, disabled)", "unload (hidden, disabled)"}));
    QCOMPARE(runningTest(w.form), 0);
}

QTEST_MAIN(TestForm3Window)
#include "test_form3_window.moc"
