#include <QChartView>
#include <QLabel>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "batch/figures_view.h"
#include "tests/support/figure_checks.h"

// The Estadística tab over a small history counted by hand (figure_checks.h): the summary first,
// each chart named and described for a screen reader with its numbers in a table beside it, a
// chart saved as PNG and the page as a PDF report.
class TestFiguresView : public QObject {
    Q_OBJECT
private slots:
    void shownAndSaved();
};

void TestFiguresView::shownAndSaved() {
    QTemporaryDir folder;
    const QString path = folder.filePath("historial.sqlite");
    makeFigureChecks(path, "aula");
    FiguresView view(path, {}, nullptr);
    view.resize(1280, 900);
    view.show();
    QSignalSpy shown(&view, &FiguresView::shown);
    view.refresh();
    QVERIFY(view.findChild<QLabel*>("figuresStatus")->text().startsWith("Leyendo el historial de este puesto"));
    QVERIFY(shown.wait(10000));

    const QString summary = view.findChild<QLabel*>("figuresSummary")->text();
    QVERIFY2(summary.startsWith("Comprobaciones: 8 (correctas: 3, con fallos: 4, interrumpidas: 1)\nTarjetas: 7\n"
                                "Rendimiento a la primera: 20 % (1 de 5 tarjetas)\nRendimiento final: 40 %"),
             qPrintable(summary));
    const QList<QChartView*> charts = view.findChildren<QChartView*>();
    QStringList names;
    for (QChartView* chart : charts) {
        names << chart->accessibleName();
        QVERIFY2(chart->accessibleDescription().endsWith('.'), qPrintable(chart->accessibleDescription()));
    }
    QCOMPARE(names, QStringList({"Comprobaciones por día", "Conexiones que fallan",
                                 "Entradas analógicas: última lectura del test 6",
                                 "Entradas analógicas: media diaria ± 3 desviaciones"}));
    QCOMPARE(charts[1]->accessibleDescription(), "La que más falla es la entrada 3: 2 de 5 fallos contados (40 %).");
    QTableWidget* pareto = nullptr;
    for (auto* table : view.findChildren<QTableWidget*>())
        if (table->accessibleName() == "Cifras de «Conexiones que fallan»") pareto = table;
    QVERIFY(pareto);
    QStringList first;
    for (int column = 0; column < pareto->columnCount(); ++column) first << pareto->item(0, column)->text();
    QCOMPARE(first, QStringList({"entrada 3", "2", "1", "1", "40 %"}));
    QCOMPARE(pareto->item(pareto->rowCount() - 1, 4)->text(), "100 %");

    QCOMPARE(view.saveChart(1, folder.filePath("pareto.png")), std::nullopt);
    QVERIFY(!QImage(folder.filePath("pareto.png")).isNull());
    QCOMPARE(view.writeReport(folder.filePath("informe.pdf")), std::nullopt);
    QFile report(folder.filePath("informe.pdf"));
    QVERIFY(report.open(QIODevice::ReadOnly) && report.read(5) == "%PDF-");
}

QTEST_MAIN(TestFiguresView)
#include "test_figures_view.moc"
