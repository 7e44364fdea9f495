#ifndef BATCH_HISTORY_VIEW_H
#define BATCH_HISTORY_VIEW_H

#include <optional>
#include <thread>

#include <QWidget>

#include "history/history_reader.h"

class HistoryModel;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class WiringView;

// Every check of the history, newest first, filtered by card, outcome, date and station, with the
// chosen check's wiring marked beside; what is shown goes to CSV, and the chosen check to a one-page
// PDF sheet for the card.
class HistoryView : public QWidget {
    Q_OBJECT
public:
    HistoryView(HistoryReader& reader, QWidget* parent);
    // An export that still runs is waited for.
    ~HistoryView() override;

    // Reads the history again with the filter shown.
    void refresh();
    HistoryFilter filter() const;
    // Writes what is shown to CSV on a thread of its own, so that a long history never holds the
    // window up; exported() says how it went.
    void exportCsv(const QString& path);
    // Gives back what went wrong, in Spanish, if anything.
    std::optional<QString> writeSheet(int row, const QString& path);

    HistoryModel* model() const { return model_; }

signals:
    // What went wrong, in Spanish; empty when the file was written.
    void exported(const QString& problem);

private:
    QDateEdit* dateFilter(const QString& name, const QString& unset);
    void askCsv();
    void askSheet();
    void say(const QString& message);
    void showWiring(int row);

    HistoryReader& reader_;
    HistoryModel* model_;
    QLineEdit* card_;
    QLineEdit* station_;
    QComboBox* outcome_;
    QDateEdit* from_;
    QDateEdit* to_;
    QTableView* table_;
    QPushButton* csv_;
    QPushButton* sheet_;
    QLabel* status_;
    WiringView* wiring_;
    QString exportPath_;
    std::thread exporting_;
};

#endif
