#include <cmath>

#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include "history/history_figures.h"
#include "history/history_reader.h"
#include "record/card_rules.h"
#include "tests/support/figure_checks.h"

// The figures of a station's own history, counted by SQLite, against those counted by hand; which
// stations stand out; and the tab that shows them.
class TestHistoryFigures : public QObject {
    Q_OBJECT
private slots:
    void countedByHand();
    void filtered_data();
    void filtered();
    void standingOut_data();
    void standingOut();
};

namespace {

QString connectionsOf(const QJsonObject& figures) {
    QStringList counted;
    for (const QJsonValue& connection : figures["connections"].toArray())
        counted << QStringLiteral("%1=%2/%3/%4")
                       .arg(connection["connection"].toString())
                       .arg(connection["failed_checks"].toInt())
                       .arg(connection["broken"].toInt())
                       .arg(connection["crossed"].toInt());
    return counted.join(", ");
}

}  // namespace

void TestHistoryFigures::countedByHand() {
    QTemporaryDir folder;
    const QString path = folder.filePath("historial.sqlite");
    makeFigureChecks(path, "aula");
    HistoryReader reader(path);
    const auto read = reader.figures({});
    QVERIFY2(std::holds_alternative<HistoryFigures>(read),
             qPrintable(std::get_if<QString>(&read) ? std::get<QString>(read) : ""));
    const QJsonObject figures = figuresJson(std::get<HistoryFigures>(read)).object();
    QCOMPARE(QString("%1 %2 %3 %4 %5")
                 .arg(figures["checks"].toInt())
                 .arg(figures["passed"].toInt())
                 .arg(figures["failed"].toInt())
                 .arg(figures["interrupted"].toInt())
                 .arg(figures["cards"].toInt()),
             "8 3 4 1 7");
    QCOMPARE(figures["first_pass_yield"].toDouble(), 0.2);
    QCOMPARE(figures["final_yield"].toDouble(), 0.4);
    QCOMPARE(connectionsOf(figures),
             "entrada 3=2/1/1, entrada 5=1/0/1, entrada analógica 4=1/0/0, la tarjeta no responde=1/0/0");
    const QJsonArray analog = figures["analog"].toArray();
    for (int input = 0; input < 4; ++input) {
        QCOMPARE(analog[input]["readings"].toInt(), 4);
        QCOMPARE(analog[input]["out_of_range"].toInt(), input == 3 ? 1 : 0);
        QVERIFY(analog[input]["min"].toDouble() > 4.4 && analog[input]["max"].toDouble() < 5);
    }
    // Inputs 1 to 3 read one value each time; input 4 read it three times and once a low one.
    auto near = [](const QJsonValue& value, double expected) { return std::abs(value.toDouble() - expected) < 1e-9; };
    const double good = analog[3]["max"].toDouble(), low = analog[3]["min"].toDouble();
    QVERIFY2(low < kAnalogLow && good > kAnalogLow, qPrintable(QString("%1 %2").arg(low).arg(good)));
    QVERIFY(near(analog[3]["mean"], (3 * good + low) / 4) && near(analog[3]["sd"], std::sqrt(3.0) / 4 * (good - low)));
    for (int input = 0; input < 3; ++input)
        QVERIFY(near(analog[input]["min"], good) && near(analog[input]["mean"], good) && near(analog[input]["sd"], 0));
    QCOMPARE(figures["stations"].toArray(),
             QJsonArray({QJsonObject{{"station", "aula"}, {"checks", 8}, {"failed", 4}}}));
    const QStringList text = figuresText(std::get<HistoryFigures>(read)).split('\n');
    QVERIFY(text.contains("Rendimiento a la primera: 20 % (1 de 5 tarjetas)"));
    QVERIFY(text.contains("  entrada 3: 2 (rota: 1, cruzada: 1)"));
}

void TestHistoryFigures::filtered_data() {
    QTest::addColumn<HistoryFilter>("filter");
    QTest::addColumn<QString>("counts");  // checks, failed, cards
    HistoryFilter batch{"A*", {}, {}, {}, {}, true};
    HistoryFilter exact{"A2", {}, {}, {}, {}, true};
    HistoryFilter none{"B*", {}, {}, {}, {}, true};
    HistoryFilter literal{"A*", {}, {}, {}, {}, false};
    HistoryFilter bracket{"A[1]*", {}, {}, {}, {}, true};
    HistoryFilter station{{}, {}, {}, {}, "otro"};
    HistoryFilter tomorrow{{}, {}, QDate::currentDate().addDays(1), {}, {}};
    QTest::newRow("batch prefix") << batch << "8 4 7";
    QTest::newRow("one label") << exact << "2 1 1";
    QTest::newRow("no such batch") << none << "0 0 0";
    QTest::newRow("a star given whole") << literal << "0 0 0";
    QTest::newRow("a bracket is a bracket") << bracket << "0 0 0";
    QTest::newRow("another station") << station << "0 0 0";
    QTest::newRow("from tomorrow") << tomorrow << "0 0 0";
}

void TestHistoryFigures::filtered() {
    static QTemporaryDir folder;
    const QString path = folder.filePath("historial.sqlite");
    if (!QFile::exists(path)) makeFigureChecks(path, "aula");
    QFETCH(HistoryFilter, filter);
    HistoryReader reader(path);
    const auto read = reader.figures(filter);
    QVERIFY(std::holds_alternative<HistoryFigures>(read));
    const HistoryFigures& figures = std::get<HistoryFigures>(read);
    QTEST(QString("%1 %2 %3").arg(figures.checks).arg(figures.failed).arg(figures.cards), "counts");
}

// A station stands out on a connection when its share of checks failing there is at least three
// times the rest of the lab's, with at least five such checks.
void TestHistoryFigures::standingOut_data() {
    QTest::addColumn<int>("failures");  // puesto07's checks failing on input 3, of its 20
    QTest::addColumn<int>("rest");      // the other station's, of its 100 (-1: no other station)
    QTest::addColumn<QString>("sentence");
    QTest::newRow("three times the rest") << 6 << 10
                                          << "Puesto 07: la entrada 3 falla en el 30 % de sus "
                                             "comprobaciones (resto del laboratorio: 10 %); revise el "
                                             "cable de ese puesto.";
    QTest::newRow("just under three times") << 6 << 11 << "";
    QTest::newRow("four failures only") << 4 << 0 << "";
    QTest::newRow("nowhere else") << 5 << 0
                                  << "Puesto 07: la entrada 3 falla en el 25 % de sus comprobaciones "
                                     "(resto del laboratorio: 0 %); revise el cable de ese puesto.";
    QTest::newRow("a station alone has no rest to stand out from") << 6 << -1 << "";
}

void TestHistoryFigures::standingOut() {
    QFETCH(int, failures);
    QFETCH(int, rest);
    HistoryFigures figures;
    StationFigures own{"07", 20, failures, {}};
    StationFigures other{"08", 100, rest, {}};
    own.connections[3] = failures;
    other.connections[3] = rest;
    figures.stations = {own, other};
    figures.checks = 120;
    figures.connections[3] = failures + rest;
    if (rest < 0) {
        figures.stations = {own};
        figures.checks = own.checks;
        figures.connections[3] = failures;
    }
    QStringList sentences;
    for (const StandingOut& station : ::standingOut(figures)) sentences << standingOutSentence(station);
    QTEST(sentences.join(' '), "sentence");
}

QTEST_MAIN(TestHistoryFigures)
#include "test_history_figures.moc"
