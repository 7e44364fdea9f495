#ifndef TESTS_AUTOTEST_CHAIN_DRIVER_H
#define TESTS_AUTOTEST_CHAIN_DRIVER_H

#include <QCoreApplication>
#include <QImage>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QTimerEvent>
#include <QWidget>

#include "autotest/form3.h"
#include "autotest/test_state.h"
#include "tests/support/card_rig.h"
#include "widgets/list_box.h"
#include "widgets/navigation.h"
#include "widgets/picture_box.h"

Q_DECLARE_METATYPE(CardFaults)

// Records what the test window asks of the program when it is left, and how the window looked at
// that moment. Unloading stops the window's timers, as the program's navigation does.
class FakeNavigation : public Navigation {
public:
    void showMenu() override { calls << QStringLiteral("showMenu") + state(window); }
    void unload(QWidget* unloaded) override {
        calls << QStringLiteral("unload") + state(unloaded);
        if (unloaded != window) calls << QStringLiteral("unload of another window");
        for (QTimer* timer : unloaded->findChildren<QTimer*>()) timer->stop();
    }
    void endProgram() override { calls << QStringLiteral("endProgram") + state(window); }

    QWidget* window = nullptr;
    QStringList calls;

private:
    static QString state(QWidget* w) {
        if (!w) return QString();
        return QStringLiteral(" (%1, %2)")
            .arg(w->isVisible() ? "visible" : "hidden", w->isEnabled() ? "enabled" : "disabled");
    }
};

// A folder holding small stand-ins for the picture files that lie beside the program.
struct PictureFolder {
    PictureFolder() {
        QImage picture(7, 5, QImage::Format_RGB32);
        picture.fill(Qt::white);
        for (const char* name :
             {"cruz.gif", "test1.jpg", "test2.jpg", "test3.jpg", "test4.jpg", "test5.jpg", "test6.jpg"})
            picture.save(dir.filePath(QString::fromLatin1(name)), "PNG");
    }
    QString path() const { return dir.path(); }
    QTemporaryDir dir;
};

// The test window on a simulated card with a virtual clock, freshly loaded as from the menu.
struct WindowRig {
    explicit WindowRig(CardFaults faults = {}, const QString& folder = QString())
        : rig(std::move(faults)), form(rig.card, navigation, folder.isNull() ? pictures.path() : folder) {
        navigation.window = &form;
        form.Form_Load();
    }

    PictureFolder pictures;
    CardRig rig;
    FakeNavigation navigation;
    Form3 form;
};

inline std::array<QTimer*, 6> testTimers(const Form3& form) {
    return {form.Timer1, form.Timer2, form.Timer3, form.Timer4, form.Timer5, form.Timer6};
}

// The number of the one test whose timer runs: 0 when none runs, -1 when more than one does.
inline int runningTest(const Form3& form) {
    int running = 0;
    const auto timers = testTimers(form);
    for (int test = 1; test <= 6; ++test) {
        if (!timers[test - 1]->isActive()) continue;
        if (running != 0) return -1;
        running = test;
    }
    return running;
}

inline QStringList lit(const std::array<PictureBox*, 8>& indicators) {
    QStringList numbers;
    for (int n = 0; n < 8; ++n)
        if (!indicators[n]->picturePath().isEmpty()) numbers << QString::number(n);
    return numbers;
}

// The port traffic in short: "W5" an output write, "R" a digital read, "A4" an analog read of
// channel mask 4, "S100" a wait. Anything else is kept as it was recorded, so it shows in a diff.
inline QStringList compactTrace(const QStringList& trace) {
    QStringList tokens;
    for (qsizetype at = 0; at < trace.size(); ++at) {
        const QString& op = trace[at];
        const QString next = trace.value(at + 1);
        if (op == "out 890 7" && next.startsWith("out 888 ")) {
            tokens << "W" + trace[++at].mid(8);
        } else if (op == "out 890 3" && trace.value(at + 2) == "out 890 1") {
            tokens << "R";
            at += 3;
        } else if (op == "out 890 5" && next.startsWith("out 888 ") && trace.value(at + 7) == next) {
            tokens << "A" + next.mid(8);
            at += 11;
        } else {
            tokens << (op.startsWith("sleep ") ? "S" + op.mid(6) : op);
        }
    }
    return tokens;
}

// The port traffic of one tick of a test on a working card; k is the output under test.
inline QStringList tickTrace(int test, int k) {
    const QString on = QStringLiteral("W%1").arg(1 << k);
    switch (test) {
        case 1:
            return {on, "S100", "R", "S500", "W0", "S100", "R", "S500", on, "S100", "R", "S500", "W0", "S100", "R"};
        case 2:
        case 3:
            return {on, "S50", "R"};
        case 4:
            return {"W255", "S50", "R", "S500", "W0", "S50", "R"};
        case 5:
            return {"W15", "S50", "R", "S500", "W240", "S50", "R"};
        default:
            return {"A1", "A2", "A4", "A8"};
    }
}

// What one tick did and left behind.
struct Tick {
    int test = 0;       // whose timer fired
    QStringList trace;  // compact port traffic of the tick
    QStringList list1;  // List1 and List2 once the tick has returned
    QStringList list2;
    int runningAfter = 0;   // runningTest() once the tick has returned
    int sequenceEnded = 0;  // sequenceEnded signals so far in this run
};

// Drives the chain as the event loop would, on the virtual clock: the one running test timer's
// interval passes, then its timeout is delivered, with every connection the window made to it.
class ChainDriver {
public:
    ChainDriver(Form3& form, CardRig& rig) : form_(form), rig_(rig) {
        QObject::connect(&form, &Form3::sequenceEnded, &form, [this] { ++sequenceEnded_; });
    }

    // One tick of the running test; test 0 when no timer runs, -1 when more than one does.
    Tick fire() {
        Tick tick;
        tick.test = runningTest(form_);
        if (tick.test <= 0) return tick;
        QTimer* timer = testTimers(form_)[tick.test - 1];
        const qsizetype before = rig_.recorder.trace().size();
        rig_.clock.advance(timer->interval());
        QTimerEvent event(timer->timerId());
        QCoreApplication::sendEvent(timer, &event);
        tick.trace = compactTrace(rig_.recorder.trace().mid(before));
        tick.list1 = form_.List1->lines();
        tick.list2 = form_.List2->lines();
        tick.runningAfter = runningTest(form_);
        tick.sequenceEnded = sequenceEnded_;
        return tick;
    }

    // Ticks until no test timer runs (or more than one does), at most maxTicks of them.
    QList<Tick> run(int maxTicks = 200) { return runUntilTest(0, maxTicks); }

    // Ticks until the given test's timer runs.
    QList<Tick> runUntilTest(int test, int maxTicks = 200) {
        QList<Tick> ticks;
        while (ticks.size() < maxTicks && runningTest(form_) > 0 && runningTest(form_) != test) ticks << fire();
        return ticks;
    }

    int sequenceEnded() const { return sequenceEnded_; }

private:
    Form3& form_;
    CardRig& rig_;
    int sequenceEnded_ = 0;
};

// The test window on a bare recording port: each digital read gives the next scripted input byte.
struct ScriptedWindow {
    explicit ScriptedWindow(const QString& folder) : card(port, port), form(card, navigation, folder) {
        form.Form_Load();
    }
    void scriptInputs(const QList<int>& bytes) {
        for (int inputs : bytes)
            port.scriptStatus(
                {static_cast<qint16>((~inputs & 15) << 3), static_cast<qint16>((~(inputs >> 4) & 15) << 3)});
    }
    RecordingPort port;
    Card card;
    FakeNavigation navigation;
    Form3 form;
};

inline QString passLine(int output) {
    return QStringLiteral("Entrada Nº %1 correcta").arg(output);
}

inline QStringList passLines(int count) {
    QStringList lines;
    for (int output = 0; output < count; ++output) lines << passLine(output);
    return lines;
}

inline const QStringList kErrorPair{"SE HA PRODUCIDO UN ERROR", "COMPRUEBE LAS CONEXIONES"};

inline QStringList verdicts(int lastPassedTest) {
    QStringList lines;
    for (int test = 1; test <= lastPassedTest; ++test) lines << QStringLiteral("TEST %1 CORRECTO").arg(test);
    return lines;
}

// Test 6's six rows of List1, rewritten in place at every tick.
inline QStringList analogRows(int remaining, std::array<bool, 4> correct = {true, true, true, true}) {
    QStringList rows{QStringLiteral("COMPROBANDO ESTABILIDAD. Tiempo restante: %1").arg(remaining), QString()};
    for (int input = 1; input <= 4; ++input) {
        const char* verdict = correct[input - 1] ? "Correcta" : "INCORRECTA";
        rows << QStringLiteral("Entrada analogica %1 %2").arg(input).arg(verdict);
    }
    return rows;
}

#endif
