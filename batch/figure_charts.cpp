#include "batch/figure_charts.h"

#include <cmath>

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QStackedBarSeries>
#include <QValueAxis>

#include "record/wording.h"

namespace {

const QColor kPassed(0x3c, 0x9a, 0x4a);
const QColor kFailed(0xc8, 0x3c, 0x32);
const QColor kCrossed(0xe0, 0x8a, 0x1e);
const QColor kOther(0x6a, 0x5a, 0xb0);

QString dayText(const QDate& day) {
    return day.toString(QStringLiteral("dd/MM/yyyy"));
}

QChart* newChart(const QString& title) {
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setLocale(spanishLocale());
    chart->setLocalizeNumbers(true);  // "4,50" on the axes, as everywhere else
    return chart;
}

// An axis of counts: whole numbers only.
void countAxis(QValueAxis* axis, double top) {
    axis->setLabelFormat(QStringLiteral("%d"));
    if (top <= 10) {
        axis->setRange(0, std::max(1.0, top));
        axis->setTickCount(int(std::max(1.0, top)) + 1);
        return;
    }
    axis->setRange(0, top);
    axis->applyNiceNumbers();
}

// A stacked bar chart, one bar per category.
QChart* barChart(const QString& title, const QStringList& categories, const QList<QBarSet*>& sets, double top) {
    QChart* chart = newChart(title);
    auto* series = new QStackedBarSeries;
    for (QBarSet* set : sets) series->append(set);
    chart->addSeries(series);
    auto* x = new QBarCategoryAxis;
    x->append(categories);
    x->setLabelsAngle(categories.size() > 8 ? -60 : 0);
    auto* y = new QValueAxis;
    countAxis(y, top);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    return chart;
}

QBarSet* barSet(const QString& label, const QList<int>& values, const QColor& color) {
    auto* set = new QBarSet(label);
    set->setColor(color);
    for (int value : values) *set << value;
    return set;
}

FigureChart overTime(const HistoryFigures& figures) {
    bool weekly = false;
    const QList<PeriodFigures> shown = periods(figures, weekly);
    FigureChart made;
    made.name = weekly ? QStringLiteral("Comprobaciones por semana") : QStringLiteral("Comprobaciones por día");
    made.headers = {weekly ? QStringLiteral("Semana del") : QStringLiteral("Día"), QStringLiteral("Correctas"),
                    QStringLiteral("Con fallos")};
    QStringList categories;
    QList<int> passed, failed;
    const PeriodFigures* worst = nullptr;
    int top = 0;
    for (const PeriodFigures& period : shown) {
        categories << period.start.toString(QStringLiteral("dd/MM"));
        passed << period.passed;
        failed << period.failed;
        top = std::max(top, period.passed + period.failed);
        if (!worst || period.failed > worst->failed) worst = &period;
        made.rows << QStringList{dayText(period.start), countLabel(period.passed), countLabel(period.failed)};
    }
    made.chart = barChart(
        made.name, categories,
        {barSet(QStringLiteral("correctas"), passed, kPassed), barSet(QStringLiteral("con fallos"), failed, kFailed)},
        top);
    if (shown.isEmpty()) {
        made.description = QStringLiteral("No hay comprobaciones correctas ni con fallos.");
    } else {
        made.description = QStringLiteral("Del %1 al %2: %3 correctas y %4 con fallos")
                               .arg(dayText(figures.days.first().day), dayText(figures.days.last().day),
                                    countLabel(figures.passed), countLabel(figures.failed));
        made.description += worst->failed > 0
                                ? QStringLiteral("; más fallos %1 %2 (%3).")
                                      .arg(weekly ? QStringLiteral("la semana del") : QStringLiteral("el día"),
                                           dayText(worst->start), countLabel(worst->failed))
                                : QStringLiteral(".");
    }
    return made;
}

// What a bar is labelled with, short enough to read under it.
QString shortName(int connection) {
    if (connection < 8) return QStringLiteral("entrada %1").arg(connection);
    if (connection < kSilentConnection) return QStringLiteral("analógica %1").arg(connection - 7);
    return QStringLiteral("no responde");
}

FigureChart pareto(const HistoryFigures& figures) {
    const QList<ConnectionCount> counts = failingConnections(figures);
    FigureChart made;
    made.name = QStringLiteral("Conexiones que fallan");
    made.headers = {QStringLiteral("Conexión"), QStringLiteral("Con fallos"), QStringLiteral("Rota"),
                    QStringLiteral("Cruzada"), QStringLiteral("Acumulado")};
    int total = 0;
    for (const ConnectionCount& count : counts) total += count.failedChecks;
    QStringList categories;
    QList<int> broken, crossed, other;
    auto* cumulative = new QLineSeries;
    cumulative->setName(QStringLiteral("% acumulado"));
    int sum = 0;
    for (const ConnectionCount& count : counts) {
        categories << shortName(count.connection);
        // The bar is the checks naming the input; what of it is not broken is crossed.
        const bool digital = count.connection < 8;
        broken << (digital ? count.broken : 0);
        crossed << (digital ? count.failedChecks - count.broken : 0);
        other << (digital ? 0 : count.failedChecks);
        sum += count.failedChecks;
        cumulative->append(categories.size() - 1, 100.0 * sum / total);
        made.rows << QStringList{connectionName(count.connection), countLabel(count.failedChecks),
                                 digital ? countLabel(count.broken) : QString(),
                                 digital ? countLabel(count.crossed) : QString(), percentLabel(double(sum) / total)};
    }
    made.chart =
        barChart(made.name, categories,
                 {barSet(QStringLiteral("rota"), broken, kFailed), barSet(QStringLiteral("cruzada"), crossed, kCrossed),
                  barSet(QStringLiteral("analógica o sin respuesta"), other, kOther)},
                 counts.isEmpty() ? 1 : counts.first().failedChecks);
    made.chart->addSeries(cumulative);
    auto* share = new QValueAxis;
    share->setRange(0, 100);
    share->setLabelFormat(QStringLiteral("%d %"));
    auto* position = new QValueAxis;  // the bars' places, hidden: the categories name them
    position->setRange(-0.5, std::max<qsizetype>(1, categories.size()) - 0.5);
    position->setVisible(false);
    made.chart->addAxis(share, Qt::AlignRight);
    made.chart->addAxis(position, Qt::AlignTop);
    cumulative->attachAxis(share);
    cumulative->attachAxis(position);
    if (!figures.connectionsCounted)
        made.description = QStringLiteral("Este historial aún no cuenta las conexiones que fallan.");
    else if (counts.isEmpty())
        made.description = QStringLiteral("Ninguna comprobación con fallos.");
    else
        made.description = QStringLiteral("La que más falla es la %1: %2 de %3 fallos contados (%4).")
                               .arg(connectionName(counts.first().connection), countLabel(counts.first().failedChecks),
                                    countLabel(total), percentLabel(double(counts.first().failedChecks) / total));
    return made;
}

FigureChart stations(const HistoryFigures& figures) {
    FigureChart made;
    made.name = QStringLiteral("Puestos");
    made.headers = {QStringLiteral("Puesto"), QStringLiteral("Comprobaciones"), QStringLiteral("Con fallos"),
                    QStringLiteral("% con fallos")};
    QStringList categories;
    QList<int> passedOrOther, failed;
    int top = 0;
    for (const StationFigures& station : figures.stations) {
        const QString name = station.station.isEmpty() ? QStringLiteral("sin nombre") : station.station;
        categories << name;
        failed << station.failed;
        passedOrOther << station.checks - station.failed;
        top = std::max(top, station.checks);
        made.rows << QStringList{name, countLabel(station.checks), countLabel(station.failed),
                                 percentLabel(station.checks ? double(station.failed) / station.checks : 0)};
    }
    made.chart = barChart(made.name, categories,
                          {barSet(QStringLiteral("con fallos"), failed, kFailed),
                           barSet(QStringLiteral("el resto"), passedOrOther, kPassed)},
                          top);
    QStringList sentences;
    for (const StandingOut& station : standingOut(figures)) sentences << standingOutSentence(station);
    made.description =
        sentences.isEmpty() ? QStringLiteral("Ningún puesto destaca en una conexión.") : sentences.join(u' ');
    return made;
}

QLineSeries* verticalLine(double volts, double top, const QString& name) {
    auto* line = new QLineSeries;
    line->setName(name);
    line->append(volts, 0);
    line->append(volts, top);
    QPen pen(Qt::darkGreen);
    pen.setStyle(Qt::DashLine);
    line->setPen(pen);
    return line;
}

FigureChart distribution(const HistoryFigures& figures) {
    FigureChart made;
    made.name = QStringLiteral("Entradas analógicas: última lectura del test 6");
    made.headers = {QStringLiteral("Entrada"),       QStringLiteral("Lecturas"), QStringLiteral("Media"),
                    QStringLiteral("Desviación"),    QStringLiteral("Mínimo"),   QStringLiteral("Máximo"),
                    QStringLiteral("Fuera de rango")};
    QChart* chart = newChart(made.name);
    auto* x = new QValueAxis;
    x->setTitleText(QStringLiteral("V"));
    auto* y = new QValueAxis;
    y->setTitleText(QStringLiteral("lecturas"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    double low = kAnalogLow - 0.25, high = kAnalogHigh + 0.1;
    int top = 1;
    QStringList outside;
    for (int input = 0; input < 4; ++input) {
        const VoltFigures& volts = figures.analog[input];
        // A histogram's outline: each bin a step up and down.
        auto* series = new QLineSeries;
        series->setName(QStringLiteral("analógica %1").arg(input + 1));
        for (auto bin = figures.voltBins[input].cbegin(); bin != figures.voltBins[input].cend(); ++bin) {
            const double left = double(bin.key()) / kVoltBinsPerVolt;
            const double right = left + 1.0 / kVoltBinsPerVolt;
            series->append(
                {QPointF(left, 0), QPointF(left, bin.value()), QPointF(right, bin.value()), QPointF(right, 0)});
            top = std::max(top, bin.value());
            low = std::min(low, left);
            high = std::max(high, right);
        }
        chart->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
        const bool any = volts.readings > 0;
        made.rows << QStringList{QString::number(input + 1),
                                 countLabel(volts.readings),
                                 any ? voltsLabel(volts.mean()) : QString(),
                                 any ? voltsLabel(volts.sd()) : QString(),
                                 any ? voltsLabel(volts.min) : QString(),
                                 any ? voltsLabel(volts.max) : QString(),
                                 countLabel(volts.outOfRange)};
        if (volts.outOfRange > 0)
            outside << QStringLiteral("la %1 tiene %2")
                           .arg(QStringLiteral("entrada analógica %1").arg(input + 1), countLabel(volts.outOfRange));
    }
    for (double edge : {kAnalogLow, kAnalogHigh}) {
        QLineSeries* line = verticalLine(edge, top, QStringLiteral("ventana del test 6"));
        chart->addSeries(line);
        line->attachAxis(x);
        line->attachAxis(y);
    }
    chart->legend()->markers().constLast()->setVisible(false);  // the window's two edges are one legend entry
    x->setRange(low, high);
    x->applyNiceNumbers();
    countAxis(y, top);
    made.chart = chart;
    const QString window = QStringLiteral("(de %1 a %2)").arg(voltsLabel(kAnalogLow), voltsLabel(kAnalogHigh));
    made.description = outside.isEmpty()
                           ? QStringLiteral("Todas las lecturas caen dentro de la ventana del test 6 %1.").arg(window)
                           : QStringLiteral("Lecturas fuera de la ventana del test 6 %1: %2.")
                                 .arg(window, outside.join(QStringLiteral("; ")));
    return made;
}

FigureChart drift(const HistoryFigures& figures) {
    bool weekly = false;
    const QList<PeriodFigures> shown = periods(figures, weekly);
    FigureChart made;
    made.name = weekly ? QStringLiteral("Entradas analógicas: media semanal ± 3 desviaciones")
                       : QStringLiteral("Entradas analógicas: media diaria ± 3 desviaciones");
    made.headers = {weekly ? QStringLiteral("Semana del") : QStringLiteral("Día"),
                    QStringLiteral("Entrada"),
                    QStringLiteral("Lecturas"),
                    QStringLiteral("Media"),
                    QStringLiteral("Media − 3 σ"),
                    QStringLiteral("Media + 3 σ")};
    QChart* chart = newChart(made.name);
    auto* x = new QValueAxis;
    x->setTitleText(weekly ? QStringLiteral("semanas desde el %1") : QStringLiteral("días desde el %1"));
    auto* y = new QValueAxis;
    y->setTitleText(QStringLiteral("V"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    double low = kAnalogLow, high = kAnalogHigh;
    int moved = -1;
    double change = 0;
    for (int input = 0; input < 4; ++input) {
        auto* mean = new QLineSeries;
        mean->setName(QStringLiteral("analógica %1").arg(input + 1));
        mean->setPointsVisible(true);
        auto* upper = new QLineSeries;
        auto* lower = new QLineSeries;
        std::optional<double> first, last;
        for (const PeriodFigures& period : shown) {
            const VoltFigures& volts = period.volts[input];
            if (volts.readings == 0) continue;
            const double at = double(shown.first().start.daysTo(period.start)) / (weekly ? 7 : 1);
            const double spread = 3 * volts.sd();
            mean->append(at, volts.mean());
            upper->append(at, volts.mean() + spread);
            lower->append(at, volts.mean() - spread);
            low = std::min(low, volts.mean() - spread);
            high = std::max(high, volts.mean() + spread);
            if (!first) first = volts.mean();
            last = volts.mean();
            made.rows << QStringList{
                dayText(period.start),    QString::number(input + 1),        countLabel(volts.readings),
                voltsLabel(volts.mean()), voltsLabel(volts.mean() - spread), voltsLabel(volts.mean() + spread)};
        }
        if (first && std::abs(*last - *first) > std::abs(change)) {
            change = *last - *first;
            moved = input;
        }
        auto* band = new QAreaSeries(upper, lower);
        upper->setParent(band);  // an area series does not own its edges
        lower->setParent(band);
        band->setName(QStringLiteral("± 3 σ, analógica %1").arg(input + 1));
        QColor shade = QColor::fromHsv(input * 90, 160, 220, 60);
        band->setBrush(shade);
        band->setPen(Qt::NoPen);
        chart->addSeries(band);
        band->attachAxis(x);
        band->attachAxis(y);
        chart->legend()->markers(band).constFirst()->setVisible(false);
        chart->addSeries(mean);
        mean->attachAxis(x);
        mean->attachAxis(y);
    }
    x->setTitleText(x->titleText().arg(shown.isEmpty() ? QString() : dayText(shown.first().start)));
    x->setRange(0, shown.isEmpty()
                       ? 1
                       : std::max(1.0, double(shown.first().start.daysTo(shown.last().start)) / (weekly ? 7 : 1)));
    y->setRange(std::floor(low * 10) / 10, std::ceil(high * 10) / 10);
    y->applyNiceNumbers();
    made.chart = chart;
    if (moved < 0 || std::abs(change) < 0.01)
        made.description = QStringLiteral("Las medias no se mueven más de %1 en el periodo.").arg(voltsLabel(0.01));
    else
        made.description =
            QStringLiteral("La media de la entrada analógica %1 ha %2 %3 en el periodo.")
                .arg(moved + 1)
                .arg(change < 0 ? QStringLiteral("bajado") : QStringLiteral("subido"), voltsLabel(std::abs(change)));
    return made;
}

}  // namespace

QList<FigureChart> figureCharts(const HistoryFigures& figures) {
    QList<FigureChart> charts{overTime(figures), pareto(figures)};
    if (figures.stations.size() > 1) charts << stations(figures);
    charts << distribution(figures) << drift(figures);
    return charts;
}
