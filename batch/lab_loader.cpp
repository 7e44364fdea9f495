#include "batch/lab_loader.h"

namespace {

constexpr int kEndWaitMs = 1000;

}  // namespace

// What the reading thread's jobs share: it outlives a window that closed while a job still waits
// on the network. The lab's connection is made, used and closed on the reading thread.
struct LabLoader::Reader {
    explicit Reader(QObject* window, QString connection) : connection(std::move(connection)), replies(window) {}

    // Connects when not connected: why the lab cannot be read, if it cannot.
    std::optional<QString> connect() {
        if (!reader) reader = std::make_unique<HistoryReader>(QString(), connection);
        reader->problem();
        if (reader->readsLab()) return std::nullopt;
        const QString problem = reader->labProblem().value_or(QString());
        lost();  // tried anew next time
        return problem;
    }
    // A read that failed may have lost the connection: the next one connects anew.
    void lost() {
        said = reader->driverSaid();
        reader.reset();
    }

    const QString connection;
    ReplyChannel replies;
    std::atomic<int> newestList{0};
    std::unique_ptr<HistoryReader> reader;  // on the reading thread only
    QString said;                           // what the server or the driver said of the last failure
};

LabLoader::LabLoader(QString connection, QObject* parent)
    : QObject(parent), reader_(std::make_shared<Reader>(this, std::move(connection))) {}

// The connection goes on the reading thread; a thread still waiting on the network is left to end
// by itself, with what its jobs share, and answers nobody.
LabLoader::~LabLoader() {
    reader_->replies.close();
    thread_.post([reader = reader_] { reader->reader.reset(); });
    thread_.stop(kEndWaitMs);
}

int LabLoader::list(const HistoryFilter& filter) {
    const int request = ++requests_;
    reader_->newestList = request;
    thread_.post([reader = reader_, request, filter, this] {
        if (reader->newestList != request) return;  // a newer filter came meanwhile
        const auto fail = [&reader, request, this](const QString& problem) {
            reader->replies.send(
                [this, request, problem, said = reader->said] { emit failed(request, problem, said); });
        };
        if (auto problem = reader->connect()) return fail(*problem);
        QList<StoredCheck> checks;
        const auto error = reader->reader->forEach(
            filter, [&checks](const StoredCheck& check) { checks << check; }, HistoryReader::kLabRowsShown,
            ColumnSet::Columns);
        if (!error) return reader->replies.send([this, request, checks] { emit listed(request, checks); });
        reader->lost();
        fail(*error);
    });
    return request;
}

int LabLoader::readWhole(const StoredCheck& check) {
    const int request = ++requests_;
    thread_.post([reader = reader_, request, check, this] {
        std::optional<StoredCheck> whole;
        if (!reader->connect()) whole = reader->reader->whole(check);
        if (!whole) reader->lost();
        reader->replies.send([this, request, read = whole.value_or(StoredCheck{})] { emit wholeRead(request, read); });
    });
    return request;
}

void LabLoader::exportCsv(const HistoryFilter& filter, const QString& path) {
    thread_.post([reader = reader_, filter, path, this] {
        auto error = reader->connect();
        if (!error) error = reader->reader->writeCsv(filter, path);
        if (error) reader->lost();
        reader->replies.send([this, problem = error.value_or(QString())] { emit exported(problem); });
    });
}
