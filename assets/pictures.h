#ifndef ASSETS_PICTURES_H
#define ASSETS_PICTURES_H

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

#include "widgets/picture_files.h"

// The pictures built into the program, as Qt resources (the test window's label by the name in
// widgets/picture_files.h). The menu's wiring picture is kept as the
// raw pixels the screen takes (QImage::Format_RGB32, uncompressed), so that the menu shows it in its
// first paint with nothing to decode: builtInWiringPicture().
inline constexpr char kWiringResource[] = ":/pictures/wiring.rgb32";

inline constexpr QSize kWiringPictureSize(543, 423);
inline constexpr QSize kTestLabelSize(115, 37);
// The indicator boxes are 25 x 25 pixels with a one-pixel border, so the cross fills what is inside.
inline constexpr QSize kCrossPictureSize(23, 23);
inline constexpr QSize kProgramIconSize(64, 64);

// The wiring picture over the program's own copy of its pixels; a null image if they are not there
// whole.
QImage builtInWiringPicture();
// Raw pixels as builtInWiringPicture() reads them.
bool writeRawPicture(const QImage& picture, const QString& path);

// "TEST n" in black on a white box over green. The built-in picture is test 1's label.
QImage drawTestLabel(int test);
// A black diagonal cross on a transparent ground, drawn pixel by pixel so that it survives GIF
// exactly.
QImage drawCrossPicture();
// The desktop icon: a small control card with a check mark.
QImage drawProgramIcon();

#endif
