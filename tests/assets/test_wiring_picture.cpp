#include <QtTest>

#include "assets/wiring_picture.h"

// The wiring picture marked with what a check found, looked at where the drawing puts each wire.
class TestWiringPicture : public QObject {
    Q_OBJECT
private slots:
    void everyFaultLooksDifferent();
    void markedWires_data();
    void markedWires();
    void crossSurvivesGrey_data();
    void crossSurvivesGrey();
};

Q_DECLARE_METATYPE(WiringMarks)

namespace {

WiringMarks broken(int output) {
    WiringMarks marks = allWorking();
    marks.wires[output].state = WireState::Broken;
    return marks;
}

WiringMarks crossed(int a, int b) {
    WiringMarks marks = allWorking();
    marks.wires[a] = {WireState::Crossed, b};
    marks.wires[b] = {WireState::Crossed, a};
    return marks;
}

WiringMarks analogOut(int input, double volts) {
    WiringMarks marks = allWorking();
    marks.analog[input - 1] = {AnalogState::OutOfRange, volts};
    return marks;
}

// Cut short: the wires from `first` on and the analog inputs never checked.
WiringMarks cutShort(int first) {
    WiringMarks marks = allWorking();
    for (int n = first; n < 8; ++n) marks.wires[n] = {};
    for (AnalogMark& input : marks.analog) input = {};
    marks.interrupted = true;
    return marks;
}

WiringMarks silent() {
    WiringMarks marks;
    marks.cardSilent = true;
    return marks;
}

// The share of points where two pictures differ.
double changedShare(const QImage& a, const QImage& b, const QList<QPointF>& points) {
    const auto changed = std::count_if(points.begin(), points.end(),
                                       [&](const QPointF& p) { return a.pixel(p.toPoint()) != b.pixel(p.toPoint()); });
    return double(changed) / double(points.size());
}

// A dark cross in a light disc, seen in grey: dark on both diagonals, light between them.
bool crossAt(const QImage& grey, const QPointF& centre) {
    const double arm = kWireMarkRadius * 0.45;
    const double side = kWireMarkRadius * 0.75;
    const auto lightness = [&](double dx, double dy) {
        return qGray(grey.pixel((centre + QPointF(dx, dy)).toPoint()));
    };
    for (const auto& [dx, dy] : {std::pair{-arm, -arm}, {arm, -arm}, {-arm, arm}, {arm, arm}})
        if (lightness(dx, dy) > 100) return false;
    for (const auto& [dx, dy] : {std::pair{-side, 0.0}, {side, 0.0}, {0.0, -side}, {0.0, side}})
        if (lightness(dx, dy) < 180) return false;
    return true;
}

}  // namespace

// A good card against each kind of fault, and every fault against every other.
void TestWiringPicture::everyFaultLooksDifferent() {
    const QList<std::pair<const char*, WiringMarks>> kinds{{"good", allWorking()},
                                                           {"broken 4", broken(4)},
                                                           {"broken 5", broken(5)},
                                                           {"crossed 3 and 5", crossed(3, 5)},
                                                           {"crossed 3 and 6", crossed(3, 6)},
                                                           {"analog 4 low", analogOut(4, 4.49)},
                                                           {"analog 4 lower", analogOut(4, 3.2)},
                                                           {"silent", silent()},
                                                           {"cut short", cutShort(4)}};
    QList<QImage> pictures;
    for (const auto& kind : kinds) pictures << drawWiringPicture(kind.second);
    for (qsizetype i = 0; i < kinds.size(); ++i)
        for (qsizetype j = i + 1; j < kinds.size(); ++j)
            QVERIFY2(pictures[i] != pictures[j],
                     qPrintable(QStringLiteral("%1 / %2").arg(kinds[i].first, kinds[j].first)));
}

void TestWiringPicture::markedWires_data() {
    QTest::addColumn<WiringMarks>("marks");
    QTest::addColumn<QList<int>>("wires");     // outputs whose wire is drawn otherwise than on a good card
    QTest::addColumn<QList<int>>("jumpers");   // analog inputs likewise
    QTest::addColumn<QList<int>>("labelled");  // analog inputs with their voltage written
    QTest::newRow("good") << allWorking() << QList<int>{} << QList<int>{} << QList<int>{};
    QTest::newRow("broken 0") << broken(0) << QList<int>{0} << QList<int>{} << QList<int>{};
    QTest::newRow("broken 4") << broken(4) << QList<int>{4} << QList<int>{} << QList<int>{};
    QTest::newRow("broken 7") << broken(7) << QList<int>{7} << QList<int>{} << QList<int>{};
    QTest::newRow("crossed 3 and 5") << crossed(3, 5) << QList<int>{3, 5} << QList<int>{} << QList<int>{};
    QTest::newRow("crossed 0 and 7") << crossed(0, 7) << QList<int>{0, 7} << QList<int>{} << QList<int>{};
    QTest::newRow("analog 4 low") << analogOut(4, 4.49) << QList<int>{} << QList<int>{4} << QList<int>{4};
    QTest::newRow("analog 2 low") << analogOut(2, 0.0) << QList<int>{} << QList<int>{2} << QList<int>{2};
    QTest::newRow("cut short at 5") << cutShort(5) << QList<int>{5, 6, 7} << QList<int>{1, 2, 3, 4} << QList<int>{};
}

// Along each wire's own path, as the drawing knows it: the marked ones change, the others do not.
void TestWiringPicture::markedWires() {
    QFETCH(WiringMarks, marks);
    QFETCH(QList<int>, wires);
    QFETCH(QList<int>, jumpers);
    QFETCH(QList<int>, labelled);
    const QImage good = drawWiringPicture(allWorking());
    const QImage picture = drawWiringPicture(marks);
    const QRgb background = picture.pixel(0, 0);
    for (int n = 0; n < 8; ++n) {
        const int input = marks.wires[n].state == WireState::Crossed ? marks.wires[n].input : n;
        const QList<QPointF> points = wirePoints(n, input);
        const double share = changedShare(good, picture, points);
        // Another wire may cross this one: a few points change on an unmarked wire too.
        QVERIFY2(wires.contains(n) ? share > 0.6 : share < 0.15,
                 qPrintable(QStringLiteral("wire %1: %2").arg(n).arg(share)));
        // A crossed wire runs whole to the input it lands on, but for the gap of the other passing over it.
        const auto gaps = std::count_if(points.begin(), points.end(),
                                        [&](const QPointF& p) { return picture.pixel(p.toPoint()) == background; });
        if (marks.wires[n].state == WireState::Crossed) QVERIFY2(gaps <= 1, qPrintable(QString::number(n)));
    }
    for (int k = 1; k <= 4; ++k) {
        // The middle half, away from the terminal each jumper shares with the next.
        const QList<QPointF> points = jumperPoints(k);
        const double share = changedShare(good, picture, points.mid(points.size() / 4, points.size() / 2));
        QVERIFY2(jumpers.contains(k) ? share > 0.6 : share == 0, qPrintable(QStringLiteral("jumper %1").arg(k)));
        const QRect box = voltsLabelBox(k).toRect();
        QCOMPARE(picture.copy(box) != good.copy(box), labelled.contains(k));
    }
}

void TestWiringPicture::crossSurvivesGrey_data() {
    QTest::addColumn<WiringMarks>("marks");
    QTest::addColumn<QList<int>>("crossedInputs");
    QTest::addColumn<bool>("cableCrossed");
    QTest::newRow("good") << allWorking() << QList<int>{} << false;
    QTest::newRow("broken 0") << broken(0) << QList<int>{0} << false;
    QTest::newRow("broken 6") << broken(6) << QList<int>{6} << false;
    QTest::newRow("broken 7") << broken(7) << QList<int>{7} << false;
    QTest::newRow("crossed: tags, no cross") << crossed(3, 5) << QList<int>{} << false;
    QTest::newRow("silent: the cable, no wire") << silent() << QList<int>{} << true;
}

// Printed in grey, a broken wire still carries its cross, and only that wire.
void TestWiringPicture::crossSurvivesGrey() {
    QFETCH(WiringMarks, marks);
    QFETCH(QList<int>, crossedInputs);
    const QImage grey = drawWiringPicture(marks).convertToFormat(QImage::Format_Grayscale8);
    for (int input = 0; input < 8; ++input)
        QVERIFY2(crossAt(grey, wireMarkCentre(input)) == crossedInputs.contains(input),
                 qPrintable(QString::number(input)));
    QTEST(crossAt(grey, cableMarkCentre()), "cableCrossed");
}

QTEST_MAIN(TestWiringPicture)
#include "test_wiring_picture.moc"
