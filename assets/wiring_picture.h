#ifndef ASSETS_WIRING_PICTURE_H
#define ASSETS_WIRING_PICTURE_H

#include <QImage>

// The menu's wiring picture: the control card seen from above, wired as the checks expect it.
// Each output terminal 0 to 7 goes to the input terminal of the same number, and the analog
// terminals +5v, 1, 2, 3 and 4 are chained one to the next.
QImage drawWiringPicture();

#endif
