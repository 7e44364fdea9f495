#ifndef BATCH_HISTORY_VIEW_H
#define BATCH_HISTORY_VIEW_H

#include <optional>

#include <QWidget>

#include "history/history_reader.h"
#include "work/work_thread.h"

class HistoryModel;
class LabLoader;
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
// With a lab history, it shows the lab's checks, every station's, once the lab answers; until
// then, and whenever the lab cannot be read, the station's own, and says so.
class HistoryView : public QWidget {
    Q_OBJECT
public:
    // lab: the lab history's connection; empty for none.
    HistoryView(HistoryReader& reader, const QString& lab, QWidget* parent);
    // An export that still runs is waited for.
    ~HistoryView() override;

    // Reads the history again with the filter shown: the station's own at once, the lab's as it
    // answers.
    void refresh();
    // What is shown is the lab's.
    bool showsLab() const { return showsLab_; }
    HistoryFilter filter() const;
    // Writes what is shown to CSV on a thread of its own, so that a long history never holds the
    // window up; exported() says how it went.
    void exportCsv(const QString& path);
    // Gives back what went wrong, in Spanish, if anything. A check of the lab is read whole first,
    // when it is chosen.
    std::optional<QString> writeSheet(int row, const QString& path);

    HistoryModel* model() const { return model_; }

signals:
    // What went wrong, in Spanish; empty when the file was written.
    void exported(const QString& problem);

private:
    void askCsv();
    void askSheet();
    void say(const QString& message);
    void showWiring(int row);
    void forgetChosen();
    void showLocal(const QString& note);
    void showLab(int request, const QList<StoredCheck>& checks);
    void labFailed(int request, const QString& problem, const QString& said);
    void labWhole(int request, const StoredCheck& check);

    HistoryReader& reader_;
    LabLoader* lab_ = nullptr;
    bool showsLab_ = false;
    int listRequest_ = 0;   // the newest list asked of the lab
    int wholeRequest_ = 0;  // the chosen check, asked of the lab
    QString sheetPath_;     // the sheet that waits for it
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
    // The station's own history is exported on a thread of its own; a closing view waits for it.
    ReplyChannel exportReplies_;
    WorkThread exporting_;
};

#endif
