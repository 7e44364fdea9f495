#ifndef BATCH_SESSION_PANEL_H
#define BATCH_SESSION_PANEL_H

#include <QWidget>

#include "batch/station_watch.h"
#include "record/run_record.h"

class QLabel;
class QTableWidget;

// The cards checked since the station opened, newest first, with the tally of good and failed
// ones, and a warning when a connection fails on several cards in a row: the station's own wiring
// is then more likely worn than the cards bad.
class SessionPanel : public QWidget {
    Q_OBJECT
public:
    explicit SessionPanel(QWidget* parent);

    void add(const QString& card, const RunRecord& record);
    QTableWidget* table() const { return table_; }

private:
    StationWatch watch_;
    int passed_ = 0;
    int failed_ = 0;
    QLabel* warning_;
    QLabel* tally_;
    QTableWidget* table_;
};

#endif
