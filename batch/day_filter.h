#ifndef BATCH_DAY_FILTER_H
#define BATCH_DAY_FILTER_H

#include <QDate>

class QDateEdit;
class QWidget;

// A day to filter by, as the Historial and Estadística tabs ask for it: its least date stands for
// no limit, and then shows unset ("el principio", "hoy").
QDateEdit* newDayFilter(QWidget* parent, const QString& name, const QString& unset);
// The day chosen; invalid for no limit.
QDate filterDay(const QDateEdit* edit);

#endif
