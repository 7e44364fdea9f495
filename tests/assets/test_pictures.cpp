#include <QtTest>

#include "assets/gif_writer.h"
#include "assets/pictures.h"
#include "assets/wiring_picture.h"

// The pictures the program draws: the cross that goes beside it and the ones built into it.
class TestPictures : public QObject {
    Q_OBJECT
private slots:
    void crossSurvivesGif();
    void wiringPictureBuiltInWhole();
};

// Qt's reader gets back the drawn cross: its size, every pixel and the transparent ground.
void TestPictures::crossSurvivesGif() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("cross.gif"));
    QVERIFY(writeGif(drawCrossPicture(), path));
    QCOMPARE(QImage(path, "gif").convertToFormat(QImage::Format_ARGB32), drawCrossPicture());
}

// The menu's picture as built into the program is the drawing, every pixel of it, at the size that
// fills the menu's picture box, border included.
void TestPictures::wiringPictureBuiltInWhole() {
    const QImage builtIn = builtInWiringPicture();
    QCOMPARE(builtIn.size(), QSize(543, 423));
    QCOMPARE(builtIn, drawWiringPicture().convertToFormat(QImage::Format_RGB32));
}

QTEST_MAIN(TestPictures)
#include "test_pictures.moc"
