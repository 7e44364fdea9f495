#ifndef ASSETS_PICTURES_H
#define ASSETS_PICTURES_H

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

// The pictures built into the program, as Qt resources. The menu's wiring picture is kept as the
// raw pixels the screen takes (QImage::Format_RGB32, uncompressed), so that the menu shows it in its
// first paint with nothing to decode: builtInWiringPicture().
inline constexpr char kWiringResource[] = ":/pictures/wiring.rgb32";
inline constexpr char kTestLabelResource[] = ":/pictures/test_label.png";

// The picture files that lie beside the program and are loaded from its folder.
inline constexpr char kCrossPictureFile[] = "cruz.gif";
inline constexpr int kTestCount = 6;
QString testPictureFile(int test);  // "test1.jpg" to "test6.jpg"

inline constexpr QSize kWiringPictureSize(543, 423);
inline constexpr QSize kTestLabelSize(115, 37);
// The indicator boxes are 25 x 25 pixels with a one-pixel border, so the cross fills what is inside.
inline constexpr QSize kCrossPictureSize(23, 23);
inline constexpr QSize kProgramIconSize(64, 64);

// The green behind the test labels; the test window's picture box can use it so label and box meet.
inline constexpr QRgb kTestLabelGreen = qRgb(0, 192, 0);

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
