#ifndef WIDGETS_PICTURE_FILES_H
#define WIDGETS_PICTURE_FILES_H

#include <QColor>
#include <QString>

// The pictures the windows show by name: the files that lie beside the program, loaded from its
// folder each time they are shown, and the test window's built-in label (a Qt resource). assets/
// draws them under these names.
inline constexpr char kCrossPictureFile[] = "cruz.gif";
inline constexpr int kTestCount = 6;
inline QString testPictureFile(int test) {  // "test1.jpg" to "test6.jpg"
    return QStringLiteral("test%1.jpg").arg(test);
}
inline constexpr char kTestLabelResource[] = ":/pictures/test_label.png";
// The green behind the test labels; the test window's picture box can use it so label and box meet.
inline constexpr QRgb kTestLabelGreen = qRgb(0, 192, 0);

#endif
