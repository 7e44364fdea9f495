#ifndef HISTORY_TIME_TEXT_H
#define HISTORY_TIME_TEXT_H

#include <QDateTime>
#include <QString>
#include <QVariant>

// The times of a history: kept in UTC as "2026-12-07T09:00:00.123Z", whose text order is time
// order, and shown in local time at the offset from UTC it had then. The one place they are
// written and read, with what differs between Qt versions.

QString utcText(const QDateTime& time);
// The start of a local day, in UTC.
QString utcText(const QDate& day);
// A history's time (its UTC text, or a server's own time) in local time.
QDateTime timeOf(const QVariant& value);
// ISO 8601 in local time, always with its offset from UTC (+00:00 rather than Z).
QString localTime(const QDateTime& time);

#endif
