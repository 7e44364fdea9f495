#ifndef BATCH_LAB_LOADER_H
#define BATCH_LAB_LOADER_H

#include <atomic>
#include <memory>

#include <QList>
#include <QObject>

#include "history/history_reader.h"
#include "work/work_thread.h"

// The one that reads the lab's history for a window, on a thread of its own: connecting and every
// query may wait on the network, which a window never does. Each request gets a number, and its
// answer comes back as a signal with that number. A list asked while an earlier one waits
// replaces it: only the newest filter is worth reading.
class LabLoader : public QObject {
    Q_OBJECT
public:
    LabLoader(QString connection, QObject* parent);
    // Waits about a second for the thread; one still waiting on the network is left to end by
    // itself and go then, or to end with the program.
    ~LabLoader() override;

    // The checks a filter lets through, the newest HistoryReader::kLabRowsShown: listed, or failed.
    int list(const HistoryFilter& filter);
    // One check of a list, read whole: wholeRead, its whole flag unset when it could not be read.
    int readWhole(const StoredCheck& check);
    // The checks to CSV, as HistoryReader::writeCsv: exported.
    void exportCsv(const HistoryFilter& filter, const QString& path);

signals:
    void listed(int request, const QList<StoredCheck>& checks);
    // The lab cannot be read: why, in Spanish, and what the server or its driver said.
    void failed(int request, const QString& problem, const QString& said);
    void wholeRead(int request, const StoredCheck& check);
    void exported(const QString& problem);  // empty when the file was written

private:
    struct Reader;
    std::shared_ptr<Reader> reader_;
    int requests_ = 0;
    WorkThread thread_;  // last: it ends, or is left, before the rest goes
};

#endif
