#ifndef TESTS_SUPPORT_RECORDING_PORT_H
#define TESTS_SUPPORT_RECORDING_PORT_H

#include <deque>
#include <functional>

#include <QStringList>

#include "card/clock.h"
#include "card/port.h"
#include "card/registers.h"

// Logs every port operation in order ("out 890 7", "in 889 120"), with the time that passed
// between two of them as a wait ("sleep 50"), passing them on to an inner port when it has one.
// Without an inner port, reads give the scripted status values in turn (0 once they run out).
class RecordingPort : public Port {
public:
    explicit RecordingPort(const Clock& clock, Port* inner = nullptr) : clock_(clock), inner_(inner) {}

    void PortOut(qint16 port, qint16 value) override {
        if (beforeWrite) beforeWrite();
        log(QStringLiteral("out %1 %2").arg(port).arg(value));
        if (inner_) inner_->PortOut(port, value);
    }
    qint16 PortIn(qint16 port) override {
        qint16 value = 0;
        if (inner_) {
            value = inner_->PortIn(port);
        } else if (!scripted_.empty()) {
            value = scripted_.front();
            scripted_.pop_front();
        }
        log(QStringLiteral("in %1 %2").arg(port).arg(value));
        return value;
    }

    void scriptStatus(std::initializer_list<qint16> values) { scripted_.insert(scripted_.end(), values); }
    // Each digital read gives the next input byte.
    void scriptInputs(const QList<int>& bytes) {
        for (int inputs : bytes) scriptStatus({qint16((~inputs & 15) << 3), qint16((~(inputs >> 4) & 15) << 3)});
    }
    const QStringList& trace() const { return trace_; }
    std::function<void()> beforeWrite;  // a look at the program at the moment of each write
    void clear() {
        trace_.clear();
        lastMs_ = clock_.elapsedMs();
    }
    // Only the output bytes, in order: the data written right after control code 7.
    QList<int> outputBytes() const {
        QList<int> bytes;
        for (qsizetype at = 1; at < trace_.size(); ++at)
            if (trace_[at - 1] == "out 890 7" && trace_[at].startsWith("out 888 ")) bytes << trace_[at].mid(8).toInt();
        return bytes;
    }

private:
    void log(const QString& operation) {
        const qint64 now = clock_.elapsedMs();
        if (now != lastMs_) trace_ << QStringLiteral("sleep %1").arg(now - lastMs_);
        lastMs_ = now;
        trace_ << operation;
    }

    const Clock& clock_;
    Port* inner_;
    std::deque<qint16> scripted_;
    QStringList trace_;
    qint64 lastMs_ = 0;
};

#endif
