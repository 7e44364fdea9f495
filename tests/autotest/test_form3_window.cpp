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
    void design();
    void captionsFitTheirControls();
    void coloursAndFonts();
    void helpTexts();
    void salirHasTheFocus();
    void load();
    void startButtonsDuringATest_data();
    void startButtonsDuringATest();
    void leavingDuringATest_data();
    void leavingDuringATest();
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

// Starts the whole sequence and runs it until the given test has had its ticks (test 0: idle).
void runInto(Form3& form, ChainDriver& driver, int test, int ticks) {
    if (test == 0) return;
    form.Command3_Click();
    driver.runUntilTest(test);
    for (int i = 0; i < ticks; ++i) driver.fire();
    QCOMPARE(runningTest(form), test);
}

}  // namespace

void TestForm3Window::design() {
    WindowRig w;
    Form3& f = w.form;
    QCOMPARE(f.windowTitle(), QStringLiteral("Control Automatico de la Tarjeta"));
    QCOMPARE(f.geometry(), QRect(176, 91, 684, 586));
    // The frames, and the last row of each column: the right frame, and the rows' pitch.
    const QList<std::tuple<QWidget*, QWidget*, QRect>> places{{f.Frame1, &f, twipsRect(360, 240, 1935, 3735)},
                                                              {f.Frame2, &f, twipsRect(2400, 240, 2055, 3735)},
                                                              {f.Frame3, &f, twipsRect(240, 5280, 3495, 2175)},
                                                              {f.Picture1[7], f.Frame1, twipsRect(240, 2760, 375, 375)},
                                                              {f.Picture2[7], f.Frame2, twipsRect(120, 2760, 375, 375)},
                                                              {f.Shape3[3], f.Frame3, twipsRect(360, 1440, 255, 255)},
                                                              {f.Text3[4], f.Frame3, twipsRect(1920, 1440, 1335, 285)},
                                                              {f.Text2[0], &f, twipsRect(7080, 360, 2895, 1095)},
                                                              {f.List1, &f, twipsRect(5520, 2280, 4215, 2010)}};
    for (const auto& [widget, parent, place] : places) {
        QCOMPARE(widget->parentWidget(), parent);
        QCOMPARE(widget->geometry(), place);
    }
    // The captions are numbered oddly: output and input 0 by the last element, output and input k
    // by element k - 1, analog input n by Label1 element 12 - n. Each stands in the frame and on the
    // row of the indicator or lamp it names.
    const QList<std::tuple<QLabel*, QString, QWidget*>> captions{
        {f.Label2[7], "Salida 0", f.Picture1[0]},  {f.Label2[6], "Salida 7", f.Picture1[7]},
        {f.Label1[7], "Entrada 0", f.Picture2[0]}, {f.Label1[4], "Entrada 5", f.Picture2[5]},
        {f.Label1[11], "Entrada 1", f.Shape3[0]},  {f.Label1[8], "Entrada 4", f.Shape3[3]}};
    for (const auto& [label, text, marker] : captions) {
        QCOMPARE(label->text(), text);
        QCOMPARE(label->parentWidget(), marker->parentWidget());
        QVERIFY2(qAbs(label->geometry().center().y() - marker->geometry().center().y()) <= 4, qPrintable(text));
    }
    // Every test timer as designed, none running before a start button.
    for (QTimer* timer : testTimers(f)) {
        QCOMPARE(timer->timerType(), Qt::PreciseTimer);
        QVERIFY(!timer->isSingleShot());
        QVERIFY(!timer->isActive());
    }
}

void TestForm3Window::captionsFitTheirControls() {
    WindowRig w;
    QList<QLabel*> labels(w.form.Label1.begin(), w.form.Label1.end());
    labels += QList<QLabel*>(w.form.Label2.begin(), w.form.Label2.end());
    labels << w.form.Label3;
    for (QLabel* label : labels)
        QVERIFY2(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->width(),
                 qPrintable(label->text()));
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
    QCOMPARE(w.form.Text2[0]->palette().color(QPalette::Base), QColor(255, 255, 192));
    QVERIFY(w.form.Text2[0]->font().bold());
    QCOMPARE(w.form.font().pointSizeF(), 8.25);
    QCOMPARE(w.form.Label3->font().pointSize(), 18);
    QCOMPARE(w.form.Command3->font().pointSize(), 18);
    QCOMPARE(QStringList({w.form.Label3->text(), w.form.Command3->caption(), w.form.Command7->caption(),
                          w.form.Command2->caption(), w.form.Salir->caption(), w.form.Frame1->title(),
                          w.form.Frame2->title(), w.form.Frame3->title()}),
             QStringList({"RESULTADOS", " INICIAR     TEST ", "INICIAR TEST ANALOGICO", "VOLVER AL MENU ANTERIOR",
                          "SALIR DEL PROGRAMA", "SALIDAS DIGITALES", "ENTRADAS DIGITALES",
                          "ENTRADAS ANALOGICAS - Tension"}));
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

// A window loaded again after a run starts from nothing: counters, lists, timers; the card untouched.
// Until the first test runs, the window shows its built-in TEST picture.
void TestForm3Window::load() {
    const QImage builtIn(QString::fromLatin1(kTestLabelResource));
    QVERIFY2(!builtIn.isNull(), "the built-in TEST 1 picture is missing from the program");
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
    QVERIFY(w.form.Picture3->showsPicture());
    QCOMPARE(w.form.Picture3->picturePath(), QString());
    QCOMPARE(w.form.Picture3->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
             builtIn.convertToFormat(QImage::Format_RGB32));
}

void TestForm3Window::startButtonsDuringATest_data() {
    QTest::addColumn<int>("interrupted");
    QTest::addColumn<int>("ticksIn");
    QTest::addColumn<QString>("button");
    // A few ticks into each test, so that its counters and lists are not at their start.
    const int ticksIn[] = {3, 11, 19, 2, 1, 4};
    for (const char* button : {"Command3", "Command7"})
        for (int test = 1; test <= 6; ++test)
            QTest::addRow("%s in test %d", button, test) << test << ticksIn[test - 1] << button;
}

// A start button stops whatever runs, starts its own test afresh, and leaves the relays alone.
void TestForm3Window::startButtonsDuringATest() {
    QFETCH(int, interrupted);
    QFETCH(int, ticksIn);
    QFETCH(QString, button);
    WindowRig w;
    ChainDriver driver(w.form, w.rig);
    runInto(w.form, driver, interrupted, ticksIn);
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
    QTest::addColumn<QString>("way");
    QTest::addColumn<int>("interrupted");
    QTest::addColumn<int>("ticksIn");
    QTest::addColumn<QString>("runningAtWrite");
    QTest::addColumn<QStringList>("calls");
    const QStringList toMenu{"showMenu (hidden, disabled)", "unload (hidden, disabled)"};
    // VOLVER stops the digital tests before the outputs go off, so no step can switch a relay on
    // again; the analog test writes nothing and is stopped when the window is unloaded.
    const int ticksIn[] = {0, 2, 5, 9, 3, 2, 5};
    for (int test = 0; test <= 6; ++test)
        QTest::addRow("VOLVER in test %d", test)
            << "Command2" << test << ticksIn[test] << (test == 6 ? "Timer6" : "none") << toMenu;
    // The frame's close control does what VOLVER does, rather than leave the menu hidden with no
    // window on screen.
    QTest::newRow("window frame in test 2") << "frame" << 2 << 5 << "none" << toMenu;
    // SALIR ends the program, which stops everything: only the relays must be off first.
    QTest::newRow("SALIR in test 1") << "Salir" << 1 << 1 << "" << QStringList{"endProgram (visible, enabled)"};
}

void TestForm3Window::leavingDuringATest() {
    QFETCH(QString, way);
    QFETCH(int, interrupted);
    QFETCH(int, ticksIn);
    QFETCH(QString, runningAtWrite);
    QFETCH(QStringList, calls);
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
    runInto(form, driver, interrupted, ticksIn);
    watch.notes.clear();
    rig.recorder.clear();

    if (way == "Command2")
        form.Command2_Click();
    else if (way == "Salir")
        form.Salir_Click();
    else
        form.close();

    QCOMPARE(rig.recorder.trace(), QStringList({"out 890 7", "out 888 0"}));
    if (!runningAtWrite.isEmpty())
        QCOMPARE(watch.notes, QStringList({"out 890 7 while " + runningAtWrite, "out 888 0 while " + runningAtWrite}));
    QCOMPARE(navigation.calls, calls);
    QCOMPARE(driver.sequenceEnded(), 0);
}

QTEST_MAIN(TestForm3Window)
#include "test_form3_window.moc"
