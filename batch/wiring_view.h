#ifndef BATCH_WIRING_VIEW_H
#define BATCH_WIRING_VIEW_H

#include <QLabel>

#include "record/run_record.h"

// The card's wiring with what a check found marked on it, at the width it is given; a screen
// reader hears what it shows in a sentence or two. Empty while there is no check to show.
class WiringView : public QLabel {
    Q_OBJECT
public:
    WiringView(const QString& name, int width, QWidget* parent);

    void showCheck(const RunRecord& record);
    void clearCheck();
};

#endif
