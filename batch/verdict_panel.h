#ifndef BATCH_VERDICT_PANEL_H
#define BATCH_VERDICT_PANEL_H

#include <QFrame>

#include "record/run_record.h"

class QLabel;
class WiringView;

// The top of the station: what it waits for, the card it checks, and then the verdict on it, green
// or red in large type with the diagnosis in --auto's words, the four voltages and the card's
// wiring with what failed marked on it, until the next number. On the simulated card every
// verdict says so.
class VerdictPanel : public QFrame {
    Q_OBJECT
public:
    VerdictPanel(bool simulated, QWidget* parent);

    void showIdle();
    void showChecking(const QString& card);
    void showVerdict(const QString& card, const RunRecord& record);
    void showInterrupted(const QString& card, const RunRecord& record);
    // What a screen reader hears of it, the simulated card named first.
    QString spoken() const;

private:
    void present(const QString& headline, const QString& detail, const QColor& background);

    QLabel* simulated_;
    QLabel* headline_;
    QLabel* diagnosis_;
    QLabel* volts_;
    WiringView* wiring_;
};

#endif
