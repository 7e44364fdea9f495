#ifndef TESTS_SUPPORT_TEST_WINDOW_H
#define TESTS_SUPPORT_TEST_WINDOW_H

#include <QImage>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QWidget>
#include <QtTest>

#include "autotest/form3.h"
#include "card/tick_timer.h"
#include "tests/support/card_rig.h"
#include "widgets/list_box.h"
#include "widgets/navigation.h"
#include "widgets/picture_box.h"

Q_DECLARE_METATYPE(CardFaults)

// The program as a check window sees it: leaving unloads the window, which stops its timers.
class FakeNavigation : public Navigation {
public:
    void showMenu() override {}
    void unload(QWidget* unloaded) override { stopTickTimers(unloaded); }
    void endProgram() override {}
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

// None of a help box's lines wrapped, and none below the box's edge.
inline void verifyLinesShowWhole(const QPlainTextEdit* box) {
    for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
        if (block.text().isEmpty()) continue;
        QTextCursor lineEnd(block);
        lineEnd.movePosition(QTextCursor::EndOfBlock);
        QVERIFY2(block.layout()->lineCount() == 1, qPrintable(block.text()));
        QVERIFY2(box->cursorRect(lineEnd).bottom() <= box->viewport()->height(), qPrintable(block.text()));
    }
}

inline std::array<TickTimer*, 6> testTimers(const Form3& form) {
    return {form.Timer1, form.Timer2, form.Timer3, form.Timer4, form.Timer5, form.Timer6};
}

// The number of the one test whose timer runs: 0 when none runs, -1 when more than one does.
inline int runningTest(const Form3& form) {
    int running = 0;
    for (int test = 1; test <= 6; ++test) {
        if (!testTimers(form)[test - 1]->isActive()) continue;
        if (running != 0) return -1;
        running = test;
    }
    return running;
}

// No timer runs and no tick waits: the sequence is over.
inline bool idle(const Form3& form) {
    for (TickTimer* timer : testTimers(form))
        if (timer->isActive() || timer->tickRunning()) return false;
    return true;
}

inline QStringList lit(const std::array<PictureBox*, 8>& indicators) {
    QStringList numbers;
    for (int n = 0; n < 8; ++n)
        if (!indicators[n]->picturePath().isEmpty()) numbers << QString::number(n);
    return numbers;
}

// The port traffic in short: "W5" an output write, "R" a digital read, "A4" a whole analog read of
// channel mask 4, "S100" the time between two operations, "in" any other status read. Anything else
// is kept as it was recorded, so it shows in a diff.
inline QStringList compactTrace(const QStringList& trace) {
    QString text = trace.join(u';');
    const QList<std::pair<const char*, const char*>> shorthands{
        {"out 890 5;out 888 (\\d+);out 890 8;out 890 2;sleep 50;in 889 \\d+;out 890 5;out 888 \\1;out 890 8;out 890 0;"
         "sleep 50;in 889 \\d+",
         "A\\1"},
        {"out 890 3;in 889 \\d+;out 890 1;in 889 \\d+", "R"},
        {"out 890 7;out 888 (\\d+)", "W\\1"},
        {"sleep (\\d+)", "S\\1"},
        {"in 889 \\d+", "in"}};
    for (const auto& [pattern, token] : shorthands)
        text.replace(QRegularExpression(QString::fromLatin1("(?<=^|;)") + pattern + "(?=;|$)"), token);
    return text.isEmpty() ? QStringList() : text.split(u';');
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

// Every kind of wait a tick can be given up at, and how to get there from " INICIAR     TEST ":
// the running test, its ticks returned before, how far into the next tick, and the outputs the
// indicators show then (an indicator follows a write only after its settle wait).
struct WaitKind {
    const char* name;
    int test, ticksBefore, intoTickMs;
    const char* outputsLit;
};
inline const QList<WaitKind> kWaitKinds{
    {"test 1, 100 ms", 1, 2, 50, ""},          {"test 1, 500 ms", 1, 2, 300, "2"},
    {"test 2, 50 ms", 2, 3, 470, "2"},         {"test 3, 50 ms", 3, 5, 20, "4"},
    {"test 4, 50 ms", 4, 1, 20, ""},           {"test 4, 500 ms", 4, 1, 300, "01234567"},
    {"test 5, 50 ms", 5, 1, 20, "4567"},       {"test 5, 500 ms", 5, 1, 300, "0123"},
    {"test 6, analog read", 6, 2, 120, "4567"}};
Q_DECLARE_METATYPE(WaitKind)

// What one tick did and left behind.
struct Tick {
    int test = 0;       // whose timer fired
    QStringList trace;  // compact port traffic of the tick, without the time before it
    QStringList list1;  // List1 and List2 once the tick has returned
    QStringList list2;
    int runningAfter = 0;  // runningTest() once the tick has returned
};

// Every tick of a window as it returns, on the clock the window runs on.
class TickLog {
public:
    TickLog(Form3& form, const RecordingPort& port) {
        for (int test = 1; test <= 6; ++test)
            QObject::connect(testTimers(form)[test - 1], &TickTimer::tickEnded, &form, [=, this, &form, &port] {
                QStringList trace = compactTrace(port.trace().mid(seen_));
                if (!trace.isEmpty() && trace.first().startsWith(u'S')) trace.removeFirst();
                seen_ = port.trace().size();
                ticks << Tick{test, trace, form.List1->lines(), form.List2->lines(), runningTest(form)};
            });
    }
    QList<Tick> ticks;

private:
    qsizetype seen_ = 0;
};

// The test window on a simulated card with a virtual clock, freshly loaded as from the menu.
struct WindowRig {
    // Without faults, on a card whose status reads give the values scripted on rig.recorder.
    explicit WindowRig(std::optional<CardFaults> faults = CardFaults(), const QString& folder = QString())
        : rig(std::move(faults)),
          form(rig.card, rig.clock, navigation, folder.isNull() ? pictures.path() : folder),
          log(form, rig.recorder) {
        form.Form_Load();
    }
    // Runs the clock until the sequence is over.
    void runToEnd() {
        rig.clock.runUntil([this] { return idle(form); });
    }
    // Runs the sequence into the given kind of wait.
    void runInto(const WaitKind& wait) { runInto(form, rig.clock, log, wait); }
    static void runInto(Form3& form, VirtualClock& clock, const TickLog& log, const WaitKind& wait) {
        form.Command3_Click();
        clock.runUntil([&] {
            return std::count_if(log.ticks.begin(), log.ticks.end(),
                                 [&](const Tick& t) { return t.test == wait.test; }) == wait.ticksBefore;
        });
        clock.advance(wait.intoTickMs);
    }

    PictureFolder pictures;
    CardRig rig;
    FakeNavigation navigation;
    Form3 form;
    TickLog log;
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
    for (int input = 1; input <= 4; ++input)
        rows
            << QStringLiteral("Entrada analogica %1 %2").arg(input).arg(correct[input - 1] ? "Correcta" : "INCORRECTA");
    return rows;
}

#endif
