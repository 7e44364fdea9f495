#ifndef LAB_CHECK_ROW_H
#define LAB_CHECK_ROW_H

#include <array>
#include <optional>

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUuid>

// One check as a row of the table checks, with the values as the table stores them (kind, mode
// and outcome as their stored names). Every column but login and received, which the server
// fills in.
struct CheckRow {
    QUuid uuid;  // made by the station
    QString station;
    QDateTime started;
    QDateTime finished;  // invalid while it runs
    QString card;        // null when no label was given
    QString kind;        // "sequence" or "analog"
    QString mode;        // "window", "headless" or "batch"
    QString outcome;     // "running", "pass", "fail" or "interrupted"
    QString owner;       // the program that writes it while it runs
    QString summary;     // what failed, in a few Spanish words; empty when it passed
    std::optional<int> failedTest;
    QString failedInputs;  // "3, 5"
    QString port;
    QString version;
    std::optional<std::array<double, 4>> volts;  // the last analog reading
    QByteArray record;                           // the JSON document
};

#endif
