#include "batch/lab_reading.h"

#include <QThread>

namespace {

constexpr int kEndWaitMs = 1000;

// Lives in the reading thread: the lab's connection is made, used and closed there.
class Worker : public QObject {
    Q_OBJECT
public:
    explicit Worker(QString connection) : connection_(std::move(connection)) {}

    // Connects when not connected: why the lab cannot be read, if it cannot.
    std::optional<QString> connect() {
        if (!reader_) reader_ = std::make_unique<HistoryReader>(QString(), connection_);
        reader_->problem();
        if (reader_->readsLab()) return std::nullopt;
        const QString problem = reader_->labProblem().value_or(QString());
        lost();  // tried anew next time
        return problem;
    }
    // A read that failed may have lost the connection: the next one connects anew.
    void lost() {
        said_ = reader_->driverSaid();
        reader_.reset();
    }
    // What the server or the driver said of the last failure.
    const QString& said() const { return said_; }
    HistoryReader& reader() { return *reader_; }

signals:
    void listed(int request, const QList<StoredCheck>& checks);
    void failed(int request, const QString& problem, const QString& said);
    void wholeRead(int request, const StoredCheck& check);
    void exported(const QString& problem);

private:
    QString connection_;
    std::unique_ptr<HistoryReader> reader_;
    QString said_;
};

}  // namespace

LabReading::LabReading(QString connection, QObject* parent)
    : QObject(parent),
      thread_(new QThread),
      worker_(new Worker(std::move(connection))),
      newestList_(std::make_shared<std::atomic<int>>(0)) {
    worker_->moveToThread(thread_);
    QObject::connect(thread_, &QThread::finished, worker_, &QObject::deleteLater);
    // A thread left waiting on the network by a window that closed goes when it ends.
    QObject::connect(thread_, &QThread::finished, thread_, &QObject::deleteLater);
    // Queued, and cut when this object goes: a late answer finds nobody.
    auto* worker = static_cast<Worker*>(worker_);
    QObject::connect(worker, &Worker::listed, this, &LabReading::listed);
    QObject::connect(worker, &Worker::failed, this, &LabReading::failed);
    QObject::connect(worker, &Worker::wholeRead, this, &LabReading::wholeRead);
    QObject::connect(worker, &Worker::exported, this, &LabReading::exported);
    thread_->setObjectName(QStringLiteral("lab reading"));
    thread_->start();
}

LabReading::~LabReading() {
    thread_->quit();
    if (thread_->wait(QDeadlineTimer(kEndWaitMs))) delete thread_;
    // Otherwise the thread still waits on the network: it is left, with its worker, to end by
    // itself and go then; deleting a running thread would end the program.
}

int LabReading::list(const HistoryFilter& filter) {
    const int request = ++requests_;
    newestList_->store(request);
    auto* worker = static_cast<Worker*>(worker_);
    QMetaObject::invokeMethod(
        worker,
        [worker, request, filter, newest = newestList_] {
            if (newest->load() != request) return;  // a newer filter came meanwhile
            if (auto problem = worker->connect()) return emit worker->failed(request, *problem, worker->said());
            QList<StoredCheck> checks;
            const auto error = worker->reader().forEach(
                filter, [&checks](const StoredCheck& check) { checks << check; }, HistoryReader::kLabRowsShown,
                Reading::Columns);
            if (!error) return emit worker->listed(request, checks);
            worker->lost();
            emit worker->failed(request, *error, worker->said());
        },
        Qt::QueuedConnection);
    return request;
}

int LabReading::readWhole(const StoredCheck& check) {
    const int request = ++requests_;
    auto* worker = static_cast<Worker*>(worker_);
    QMetaObject::invokeMethod(
        worker,
        [worker, request, check] {
            std::optional<StoredCheck> whole;
            if (!worker->connect()) whole = worker->reader().whole(check);
            if (!whole) worker->lost();
            emit worker->wholeRead(request, whole.value_or(StoredCheck{}));
        },
        Qt::QueuedConnection);
    return request;
}

void LabReading::exportCsv(const HistoryFilter& filter, const QString& path) {
    auto* worker = static_cast<Worker*>(worker_);
    QMetaObject::invokeMethod(
        worker,
        [worker, filter, path] {
            auto error = worker->connect();
            if (!error) error = worker->reader().writeCsv(filter, path);
            if (error) worker->lost();
            emit worker->exported(error.value_or(QString()));
        },
        Qt::QueuedConnection);
}

#include "lab_reading.moc"
