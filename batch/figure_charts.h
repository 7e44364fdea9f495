#ifndef BATCH_FIGURE_CHARTS_H
#define BATCH_FIGURE_CHARTS_H

#include <QList>
#include <QString>
#include <QStringList>

#include "history/history_figures.h"

class QChart;

// One chart of a history's figures and the same numbers as a table: what a screen reader reads,
// with the chart's name and one sentence of what stands out in it.
struct FigureChart {
    QString name;             // "Comprobaciones por día"
    QString description;      // what stands out, in one sentence
    QChart* chart = nullptr;  // owned by whoever shows it
    QStringList headers;
    QList<QStringList> rows;
};

// The charts of the figures, in the order the tab shows them: checks over time, the failing
// connections (Pareto), the stations (only with more than one), the analog readings'
// distribution with test 6's window and their daily mean with ±3 standard deviations.
QList<FigureChart> figureCharts(const HistoryFigures& figures);

#endif
