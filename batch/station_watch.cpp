#include "batch/station_watch.h"

#include <algorithm>

namespace {
constexpr int kAnalog = 100;
constexpr int kKept = 64;

QSet<int> failedConnections(const RunRecord& record) {
    QSet<int> failed;
    for (const TestRecord& test : record.tests) {
        for (const FailedCheck& check : test.failures)
            for (int input : wrongInputs(check)) failed.insert(input);
        if (test.failedReading)
            for (int input : inputsOutOfRange(*test.failedReading)) failed.insert(kAnalog + input);
    }
    return failed;
}
}  // namespace

void StationWatch::add(const QString& card, const RunRecord& record) {
    if (record.outcome != Outcome::Pass && record.outcome != Outcome::Fail) return;
    Card checked{card, failedConnections(record)};
    if (!cards_.isEmpty() && cards_.last().label == card)
        cards_.last() = checked;
    else
        cards_ << checked;
    if (cards_.size() > kKept) cards_.removeFirst();
}

QStringList StationWatch::warnings() const {
    QStringList warnings;
    if (cards_.isEmpty()) return warnings;
    QList<int> connections = cards_.last().failed.values();
    std::sort(connections.begin(), connections.end());
    for (int connection : connections) {
        int inARow = 0;
        for (auto card = cards_.crbegin(); card != cards_.crend() && card->failed.contains(connection); ++card)
            ++inARow;
        if (inARow < kInARow) continue;
        const QString input = connection > kAnalog ? QStringLiteral("La entrada analógica %1").arg(connection - kAnalog)
                                                   : QStringLiteral("La entrada %1").arg(connection);
        warnings << QStringLiteral("%1 ha fallado en %2 tarjetas seguidas: revise los cables del puesto")
                        .arg(input)
                        .arg(inARow);
    }
    return warnings;
}
