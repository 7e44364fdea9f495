#include <QDir>
#include <QImageReader>
#include <QtTest>
#include <algorithm>

#include "assets/gif_writer.h"
#include "assets/pictures.h"

// The pictures as the program finds them: the files beside it and the ones built into it.
class TestPictures : public QObject {
    Q_OBJECT
private slots:
    void loads_data();
    void loads();
    void crossSurvivesGif();
    void labelsNameTheirTest();
};

namespace {

QString besideTheProgram(const QString& name) {
    return QDir(QStringLiteral(CARDCHECK_PICTURE_DIR)).filePath(name);
}

QImage readImage(const QString& path) {
    return QImage(path).convertToFormat(QImage::Format_ARGB32);
}

// A JPEG moves colours a little; more than this in any channel is a different drawing.
int differingPixels(const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            count += std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                               std::abs(qBlue(p) - qBlue(q))}) > 48;
        }
    }
    return count;
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

// test1.jpg is the built-in label and no two label files are alike.
void TestPictures::labelsNameTheirTest() {
    QList<QImage> labels;
    for (int test = 1; test <= 6; ++test)
        labels.append(readImage(besideTheProgram(QStringLiteral("test%1.jpg").arg(test))));
    QCOMPARE(differingPixels(labels[0], readImage(QString::fromLatin1(kTestLabelResource))), 0);
    for (int n = 0; n < 6; ++n) {
        for (int m = n + 1; m < 6; ++m) {
            QVERIFY2(differingPixels(labels[n], labels[m]) > 20,
                     qPrintable(QStringLiteral("test%1.jpg and test%2.jpg look alike").arg(n + 1).arg(m + 1)));
        }
    }
}

QTEST_MAIN(TestPictures)
#include "test_pictures.moc"
