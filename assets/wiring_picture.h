#ifndef ASSETS_WIRING_PICTURE_H
#define ASSETS_WIRING_PICTURE_H

#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>

#include "record/diagnosis.h"

// The menu's wiring picture: the control card seen from above, wired as the checks expect it.
// Each output terminal 0 to 7 goes to the input terminal of the same number, and the analog
// terminals +5v, 1, 2, 3 and 4 are chained one to the next.
QImage drawWiringPicture();

// The same card with what a check found on it: a working connection green; a broken one red with a
// cross; a crossed wire drawn to the input that answered, tagged with its output; one never checked
// grey and dashed; an analog input out of range with its voltage; a silent card greyed out with its
// cable crossed. Shapes and words say what colours say, for readers who do not tell red from green
// and on paper printed in grey. A legend names the marks that are there; a good card has none.
QImage drawWiringPicture(const WiringMarks& marks);

// Where both pictures draw things, for whoever looks at them.
// Points about two pixels apart along the middle of the wire from output to input; a wire to
// another input turns in its output's own lane.
QList<QPointF> wirePoints(int output, int input);
// The same along the jumper that feeds analog input 1 to 4 from the terminal before it.
QList<QPointF> jumperPoints(int analogInput);
// The centre of the mark on the wire entering input: a cross, or a crossed wire's tag.
QPointF wireMarkCentre(int input);
inline constexpr double kWireMarkRadius = 9;
// Where an analog input out of range has its voltage written.
QRectF voltsLabelBox(int analogInput);
// The mark on the cable of a silent card.
QPointF cableMarkCentre();

#endif
