#include <QDir>
#include <QImageReader>
#include <QPixmap>
#include <QtTest>

#include "assets/pictures.h"
#include "assets/wiring_picture.h"

// The pictures as the program finds them: the files beside it and the ones built into it.
class TestPictures : public QObject {
    Q_OBJECT
private slots:
    void besideTheProgram_data();
    void besideTheProgram();
    void crossSurvivesGif();
    void crossMarksTheBox_data();
    void crossMarksTheBox();
    void builtIn_data();
    void builtIn();
    void wiringIsTheCurrentDrawing();
    void labelsLookAlike_data();
    void labelsLookAlike();
    void labelsNameTheirTest();

private:
    static QImage readBeside(const QString& name, QByteArray* format = nullptr);
};

namespace {

// A JPEG moves colours a little; a channel off by more than this is a different drawing.
constexpr int kJpegNoise = 48;

bool near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

int differingPixels(const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) count += near(a.pixel(x, y), b.pixel(x, y), kJpegNoise) ? 0 : 1;
    }
    return count;
}

int countPixels(const QImage& image, const QRect& area, auto&& wanted) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) count += wanted(image.pixel(x, y)) ? 1 : 0;
    }
    return count;
}

}  // namespace

QImage TestPictures::readBeside(const QString& name, QByteArray* format) {
    QImageReader reader(QDir(QStringLiteral(CARDCHECK_PICTURE_DIR)).filePath(name));
    reader.setDecideFormatFromContent(true);
    if (format) *format = reader.format();
    return reader.read().convertToFormat(QImage::Format_ARGB32);
}

void TestPictures::besideTheProgram_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");
    QTest::newRow("cruz.gif") << QStringLiteral("cruz.gif") << QByteArray("gif") << QSize(23, 23);
    for (int test = 1; test <= 6; ++test) {
        const QString name = QStringLiteral("test%1.jpg").arg(test);
        QTest::newRow(qPrintable(name)) << name << QByteArray("jpeg") << QSize(115, 37);
    }
}

void TestPictures::besideTheProgram() {
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);
    QVERIFY2(QFileInfo::exists(QDir(QStringLiteral(CARDCHECK_PICTURE_DIR)).filePath(name)), qPrintable(name));
    QByteArray readFormat;
    const QImage picture = readBeside(name, &readFormat);
    QCOMPARE(readFormat, format);
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.size(), size);
}

// What the indicator shows is exactly what was drawn: no colour or pixel lost on the way.
void TestPictures::crossSurvivesGif() {
    const QImage drawn = drawCrossPicture();
    const QImage decoded = readBeside(QStringLiteral("cruz.gif"));
    QCOMPARE(decoded.size(), drawn.size());
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            const QRgb want = drawn.pixel(x, y);
            const QRgb got = decoded.pixel(x, y);
            const bool same = qAlpha(want) == 0 ? qAlpha(got) == 0 : got == want;
            QVERIFY2(same, qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
        }
    }
}

void TestPictures::crossMarksTheBox_data() {
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<bool>("dark");
    QTest::newRow("centre") << QPoint(11, 11) << true;
    QTest::newRow("top left arm") << QPoint(5, 5) << true;
    QTest::newRow("top right arm") << QPoint(17, 5) << true;
    QTest::newRow("bottom left arm") << QPoint(5, 17) << true;
    QTest::newRow("bottom right arm") << QPoint(17, 17) << true;
    QTest::newRow("between the arms, top") << QPoint(11, 3) << false;
    QTest::newRow("between the arms, left") << QPoint(3, 11) << false;
    QTest::newRow("corner") << QPoint(0, 0) << false;
    QTest::newRow("border") << QPoint(22, 11) << false;
}

void TestPictures::crossMarksTheBox() {
    QFETCH(QPoint, point);
    QFETCH(bool, dark);
    const QImage cross = readBeside(QStringLiteral("cruz.gif"));
    QVERIFY(!cross.isNull());
    const QRgb pixel = cross.pixel(point);
    const bool isDark = qAlpha(pixel) == 255 && qGray(pixel) < 80;
    QCOMPARE(isDark, dark);
}

void TestPictures::builtIn_data() {
    QTest::addColumn<QString>("resource");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");
    QTest::newRow("wiring") << QString::fromLatin1(kWiringResource) << QByteArray("jpeg") << QSize(543, 423);
    QTest::newRow("TEST 1 label") << QString::fromLatin1(kTestLabelResource) << QByteArray("png") << QSize(115, 37);
}

// This executable reaches the resources only through the program's libraries, as the program does.
void TestPictures::builtIn() {
    QFETCH(QString, resource);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);
    const QPixmap picture(resource);
    QVERIFY2(!picture.isNull(), qPrintable(resource));
    QCOMPARE(picture.size(), size);
    QCOMPARE(QImageReader(resource).format(), format);
}

// The built-in wiring picture is redrawn whenever its drawing changes.
void TestPictures::wiringIsTheCurrentDrawing() {
    const QImage built = QImage(QString::fromLatin1(kWiringResource)).convertToFormat(QImage::Format_ARGB32);
    const QImage drawn = drawWiringPicture().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(built.size(), drawn.size());
    const int differing = differingPixels(built, drawn);
    QVERIFY2(differing < built.width() * built.height() / 200, qPrintable(QString::number(differing)));
}

void TestPictures::labelsLookAlike_data() {
    QTest::addColumn<QImage>("label");
    QTest::newRow("built in") << QImage(QString::fromLatin1(kTestLabelResource)).convertToFormat(QImage::Format_ARGB32);
    for (int test = 1; test <= 6; ++test) {
        const QString name = QStringLiteral("test%1.jpg").arg(test);
        QTest::newRow(qPrintable(name)) << readBeside(name);
    }
}

// Black letters on a white box over green, as the test window's picture box expects.
void TestPictures::labelsLookAlike() {
    QFETCH(QImage, label);
    QCOMPARE(label.size(), QSize(115, 37));
    for (const QPoint corner : {QPoint(1, 1), QPoint(113, 1), QPoint(1, 35), QPoint(113, 35)}) {
        QVERIFY2(near(label.pixel(corner), kTestLabelGreen, 24),
                 qPrintable(QStringLiteral("%1,%2 not green").arg(corner.x()).arg(corner.y())));
    }
    const QRect box(20, 8, 72, 20);
    const int white = countPixels(label, box, [](QRgb p) { return qGray(p) > 220; });
    const int black = countPixels(label, box, [](QRgb p) { return qGray(p) < 50; });
    QVERIFY2(white > box.width() * box.height() / 4, qPrintable(QString::number(white)));
    QVERIFY2(black > box.width() * box.height() / 8, qPrintable(QString::number(black)));
}

// Each file names its own test: test1.jpg is the built-in label and no two files are alike.
void TestPictures::labelsNameTheirTest() {
    QList<QImage> labels;
    for (int test = 1; test <= 6; ++test) labels.append(readBeside(QStringLiteral("test%1.jpg").arg(test)));
    const QImage builtIn = QImage(QString::fromLatin1(kTestLabelResource)).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(differingPixels(labels[0], builtIn), 0);
    for (int n = 0; n < 6; ++n) {
        for (int m = n + 1; m < 6; ++m) {
            const int differing = differingPixels(labels[n], labels[m]);
            QVERIFY2(differing > 20, qPrintable(QStringLiteral("test%1.jpg and test%2.jpg differ in %3 pixels")
                                                    .arg(n + 1)
                                                    .arg(m + 1)
                                                    .arg(differing)));
        }
    }
}

QTEST_MAIN(TestPictures)
#include "test_pictures.moc"
