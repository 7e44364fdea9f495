#include "card/recording_port.h"

#include "card/registers.h"

void RecordingPort::PortOut(qint16 port, qint16 value) {
    trace_ << QStringLiteral("out %1 %2").arg(port).arg(value);
    if (inner_) inner_->PortOut(port, value);
}

qint16 RecordingPort::PortIn(qint16 port) {
    qint16 value = 0;
    if (inner_) {
        value = inner_->PortIn(port);
    } else if (!scripted_.empty()) {
        value = scripted_.front();
        scripted_.pop_front();
    }
    trace_ << QStringLiteral("in %1 %2").arg(port).arg(value);
    return value;
}

void RecordingPort::Sleep(qint32 milliseconds) {
    trace_ << QStringLiteral("sleep %1").arg(milliseconds);
    if (innerClock_)
        innerClock_->Sleep(milliseconds);
    else
        now_ += milliseconds;
}

qint64 RecordingPort::elapsedMs() const {
    return innerClock_ ? innerClock_->elapsedMs() : now_;
}

QList<int> RecordingPort::outputBytes() const {
    QList<int> bytes;
    bool afterWriteCode = false;
    const QString writeCode = QStringLiteral("out %1 %2").arg(ControlPort).arg(CtrlWriteOutputs);
    const QString dataPrefix = QStringLiteral("out %1 ").arg(DataPort);
    for (const QString& op : trace_) {
        if (afterWriteCode && op.startsWith(dataPrefix)) bytes << op.mid(dataPrefix.size()).toInt();
        afterWriteCode = op == writeCode;
    }
    return bytes;
}
