#ifndef BATCH_FIGURES_VIEW_H
#define BATCH_FIGURES_VIEW_H

#include <atomic>
#include <memory>
#include <optional>

#include <QWidget>

#include "history/history_figures.h"
#include "history/history_reader.h"
#include "work/work_thread.h"

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

// The Estadística tab: what a history's checks add up to, filtered by card (a '*' in it matches
// any characters: "L7-*" for a batch), dates and station. The summary first (counts, yields and
// the stations that stand out), then the charts, each with its numbers in a table beside it and a
// button that saves it as PNG; the whole page goes to a PDF report.
// The figures are read on a thread of their own, from the lab history when there is one (the
// station's own when the lab cannot be read, which it says) and the station's own otherwise: the
// tab opens at once and says what it reads.
class FiguresView : public QWidget {
    Q_OBJECT
public:
    // historyPath: the station's own history; lab: the lab history's connection, empty for none.
    FiguresView(QString historyPath, QString lab, QWidget* parent);
    ~FiguresView() override;

    // Reads the figures again with the filter shown.
    void refresh();
    HistoryFilter filter() const;
    // The figures shown, once read.
    const std::optional<HistoryFigures>& figures() const { return figures_; }
    // The whole page as a PDF report; what went wrong, in Spanish, if anything.
    std::optional<QString> writeReport(const QString& path);
    // Chart number `chart`, in the order shown, as PNG; what went wrong, in Spanish, if anything.
    std::optional<QString> saveChart(int chart, const QString& path);

signals:
    // The figures read for the newest filter are on screen (or why they could not be read).
    void shown();

private:
    void showRead(int request, const std::variant<HistoryFigures, QString>& read, const QString& note);
    void build(const HistoryFigures& figures);
    void askReport();

    const QString historyPath_;
    const QString lab_;
    std::optional<HistoryFigures> figures_;
    QLineEdit* card_;
    QLineEdit* station_;
    QDateEdit* from_;
    QDateEdit* to_;
    QLabel* status_;
    QPushButton* report_;
    QWidget* page_;
    QVBoxLayout* content_;
    QList<QWidget*> charts_;  // the chart views, in order
    // What the reading thread's jobs share with the view: they may outlive it, waiting on the network.
    struct Shared {
        explicit Shared(QObject* view) : replies(view) {}
        ReplyChannel replies;
        std::atomic<int> newest{0};             // the newest filter asked for
        std::unique_ptr<HistoryReader> reader;  // on the reading thread only, kept while it reads well
    };
    std::shared_ptr<Shared> shared_;
    WorkThread thread_;  // last: it ends before the rest goes
};

#endif
