#include "history/time_text.h"

#include <QTimeZone>

namespace {

// Qt 6.5 takes a QTimeZone where Qt 6.4 takes a Qt::TimeSpec, which later versions deprecate.
QDateTime utcTime(QDate day, QTime time) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    return QDateTime(day, time, QTimeZone::UTC);
#else
    return QDateTime(day, time, Qt::UTC);
#endif
}
QDateTime atOffset(qint64 msSinceEpoch, int offsetS) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    return QDateTime::fromMSecsSinceEpoch(msSinceEpoch, QTimeZone::fromSecondsAheadOfUtc(offsetS));
#else
    return QDateTime::fromMSecsSinceEpoch(msSinceEpoch, Qt::OffsetFromUTC, offsetS);
#endif
}

// Local time, at the offset from UTC it had then. A long list has one or two times in every row
// and most of them within the same quarter of an hour as the one before: the offset, which costs a
// look into the time zone, is asked once for each quarter.
QDateTime localOf(const QDateTime& utc) {
    constexpr qint64 kQuarterMs = 15 * 60 * 1000;
    thread_local qint64 knownQuarter = -1;
    thread_local int knownOffset = 0;
    const qint64 ms = utc.toMSecsSinceEpoch();
    if (ms / kQuarterMs != knownQuarter) {
        knownQuarter = ms / kQuarterMs;
        knownOffset = utc.toLocalTime().offsetFromUtc();
    }
    return atOffset(ms, knownOffset);
}

}  // namespace

QString utcText(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs);
}

QString utcText(const QDate& day) {
    return utcText(QDateTime(day, QTime(0, 0)));
}

QDateTime timeOf(const QVariant& value) {
    if (value.isNull()) return {};
    if (value.typeId() == QMetaType::QDateTime) return localOf(value.toDateTime());
    const QString text = value.toString();
    // The usual form is read by hand.
    if (text.size() == 24 && text[10] == u'T' && text[23] == u'Z') {
        const auto number = [&text](int from, int digits) { return QStringView(text).mid(from, digits).toInt(); };
        return localOf(utcTime(QDate(number(0, 4), number(5, 2), number(8, 2)),
                               QTime(number(11, 2), number(14, 2), number(17, 2), number(20, 3))));
    }
    return localOf(QDateTime::fromString(text, Qt::ISODateWithMs));
}

QString localTime(const QDateTime& time) {
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    const QString zone = QStringLiteral("%1%2:%3")
                             .arg(offset < 0 ? QStringLiteral("-") : QStringLiteral("+"))
                             .arg(minutes / 60, 2, 10, QChar(u'0'))
                             .arg(minutes % 60, 2, 10, QChar(u'0'));
    return time.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")) + zone;
}
