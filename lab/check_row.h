#ifndef LAB_CHECK_ROW_H
#define LAB_CHECK_ROW_H

#include <QList>
#include <QString>
#include <QVariant>

// A column of the table checks and its value, as it is bound.
struct ColumnValue {
    QString column;
    QVariant value;
};

// One check as it goes to the lab's table checks, named column by column by the station's side
// (history/checks_table): what is set once, when the check starts, and what its end fills in.
// The server fills in login and received.
struct CheckRow {
    QString uuid;  // made by the station
    QList<ColumnValue> fixed;
    QList<ColumnValue> ended;
};

#endif
