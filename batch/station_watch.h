#ifndef BATCH_STATION_WATCH_H
#define BATCH_STATION_WATCH_H

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include "record/run_record.h"

// Watches the station's own wiring: a connection that fails on several cards in a row is more
// likely a worn wire of the station than a stack of bad cards. Checked again, a card counts once.
class StationWatch {
public:
    static constexpr int kInARow = 3;

    // A passed or failed check of the card with that label; interrupted checks tell nothing.
    void add(const QString& card, const RunRecord& record);
    // One warning per connection that failed on the last kInARow cards or more, in Spanish.
    QStringList warnings() const;

private:
    struct Card {
        QString label;
        QSet<int> failed;  // digital inputs 0 to 7; analog inputs as 100 + 1 to 4
    };
    QList<Card> cards_;  // the last ones, oldest first
};

#endif
