#ifndef BATCH_LAST_CHECKS_H
#define BATCH_LAST_CHECKS_H

#include <QWidget>

class HistoryReader;
class QLabel;
class QListWidget;

// The last checks of the card whose number was just confirmed, from the history, or why there are
// none to show.
class LastChecks : public QWidget {
    Q_OBJECT
public:
    static constexpr int kShown = 5;

    LastChecks(HistoryReader& reader, QWidget* parent);

    void showCard(const QString& card);
    // A message in place of the checks, read out: why the number cannot be used.
    void say(const QString& message);
    void clear();
    QListWidget* list() const { return list_; }

private:
    HistoryReader& reader_;
    QLabel* info_;
    QListWidget* list_;
};

#endif
