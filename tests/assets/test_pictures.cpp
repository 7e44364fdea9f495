#include <QDir>
#include <QImageReader>
#include <QtTest>

#include "assets/gif_writer.h"
#include "assets/pictures.h"

// The pictures as the program finds them: the files beside it and the ones built into it.
class TestPictures : public QObject {
    Q_OBJECT
private slots:
    void loads_data();
    void loads();
    void crossSurvivesGif();
};

namespace {

QString besideTheProgram(const QString& name) {
    return QDir(QStringLiteral(CARDCHECK_PICTURE_DIR)).filePath(name);
}

}  // namespace

void TestPictures::loads_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");
    QTest::newRow("cruz.gif") << besideTheProgram(QStringLiteral("cruz.gif")) << QByteArray("gif") << QSize(23, 23);
    for (int test = 1; test <= 6; ++test) {
        const QString name = QStringLiteral("test%1.jpg").arg(test);
        QTest::newRow(qPrintable(name)) << besideTheProgram(name) << QByteArray("jpeg") << QSize(115, 37);
    }
    QTest::newRow("built-in wiring") << QString::fromLatin1(kWiringResource) << QByteArray("jpeg") << QSize(543, 423);
    QTest::newRow("built-in label") << QString::fromLatin1(kTestLabelResource) << QByteArray("png") << QSize(115, 37);
}

// The format is read from the content, so a file that only carries the right name fails.
void TestPictures::loads() {
    QFETCH(QString, path);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), format);
    const QImage picture = reader.read();
    QVERIFY2(!picture.isNull(), qPrintable(path));
    QCOMPARE(picture.size(), size);
}

// Qt's reader gets back the drawn cross: its size, every pixel and the transparent ground.
void TestPictures::crossSurvivesGif() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("cross.gif"));
    QVERIFY(writeGif(drawCrossPicture(), path));
    QCOMPARE(QImage(path, "gif").convertToFormat(QImage::Format_ARGB32), drawCrossPicture());
}

QTEST_MAIN(TestPictures)
#include "test_pictures.moc"
