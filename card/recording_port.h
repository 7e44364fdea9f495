#ifndef CARD_RECORDING_PORT_H
#define CARD_RECORDING_PORT_H

#include <deque>

#include <QStringList>

#include "card/clock.h"
#include "card/port.h"

// Logs every port operation and every wait, in order ("out 890 7", "in 889 120", "sleep 50"),
// passing them on to an inner port and clock when it has them. Without an inner port, reads
// give the scripted status values in turn (0 once they run out).
class RecordingPort : public Port, public Clock {
public:
    explicit RecordingPort(Port* inner = nullptr, Clock* innerClock = nullptr)
        : inner_(inner), innerClock_(innerClock) {}

    void PortOut(qint16 port, qint16 value) override;
    qint16 PortIn(qint16 port) override;
    void Sleep(qint32 milliseconds) override;
    qint64 elapsedMs() const override;

    void scriptStatus(std::initializer_list<qint16> values) { scripted_.insert(scripted_.end(), values); }
    const QStringList& trace() const { return trace_; }
    // Only the output bytes, in order: the data written right after control code 7.
    QList<int> outputBytes() const;
    void clear() { trace_.clear(); }

private:
    Port* inner_;
    Clock* innerClock_;
    std::deque<qint16> scripted_;
    QStringList trace_;
    qint64 now_ = 0;
};

#endif
