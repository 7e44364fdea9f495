#include <QtTest>

#include "assets/gif_writer.h"
#include "assets/pictures.h"

// The pictures the program draws: the cross that goes beside it and the ones built into it.
class TestPictures : public QObject {
    Q_OBJECT
private slots:
    void crossSurvivesGif();
};

// Qt's reader gets back the drawn cross: its size, every pixel and the transparent ground.
void TestPictures::crossSurvivesGif() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("cross.gif"));
    QVERIFY(writeGif(drawCrossPicture(), path));
    QCOMPARE(QImage(path, "gif").convertToFormat(QImage::Format_ARGB32), drawCrossPicture());
    // The wiring picture fills the menu's picture box, border included.
    QCOMPARE(QImage(QString::fromLatin1(kWiringResource)).size(), QSize(543, 423));
}

QTEST_MAIN(TestPictures)
#include "test_pictures.moc"
