#ifndef ASSETS_RECORD_MARKS_H
#define ASSETS_RECORD_MARKS_H

#include <QByteArray>
#include <QImage>
#include <QString>

#include "assets/wiring_marks.h"
#include "history/run_record.h"

// What a check's record says about each connection of the card, for the marked wiring picture.
// A connection counts as working once a test has passed over it, so a check that stopped or was cut
// short leaves the rest unchecked:
// - test 1 switches one output at a time and stops at the first that fails: the outputs before it
//   work. If that output's own input did not answer and exactly one other input did, the output is
//   wired to that input (crossed); when the other input's own output was never switched, its wire
//   is taken for the other half of the swap. Otherwise every input that read wrong is broken.
// - tests 2 to 5 come after test 1 has passed: each input they read wrong is broken.
// - test 6 judges the readings of its last tick: each analog input in range or out of it.
// A silent card (cardSilent) is marked as such, with nothing checked.
WiringMarks wiringMarks(const RunRecord& record);

// For a screen reader: what the picture is, and what it shows in one or two sentences, such as
// "Entradas 3 y 5 cruzadas." or "Todas las conexiones funcionan."
QString wiringAccessibleName();
QString wiringDescription(const WiringMarks& marks);

// The wiring picture marked with what the check found, and the same as PNG.
QImage checkPicture(const RunRecord& record);
QByteArray checkPicturePng(const RunRecord& record);

#endif
