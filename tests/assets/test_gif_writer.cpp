#include <QBuffer>
#include <QImageReader>
#include <QRandomGenerator>
#include <QtTest>

#include "assets/gif_writer.h"

// The encoder is judged by Qt's own GIF reader: what it decodes must be exactly what was drawn.
class TestGifWriter : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void refused_data();
    void refused();
    void writesAFile();
};

namespace {

// Transparent pixels carry no colour, so only their alpha is compared.
QString firstDifference(const QImage& drawn, const QImage& decoded) {
    const QImage want = drawn.convertToFormat(QImage::Format_ARGB32);
    const QImage got = decoded.convertToFormat(QImage::Format_ARGB32);
    if (got.size() != want.size()) return QStringLiteral("decoded %1x%2").arg(got.width()).arg(got.height());
    for (int y = 0; y < want.height(); ++y) {
        for (int x = 0; x < want.width(); ++x) {
            const QRgb w = want.pixel(x, y);
            if (qAlpha(w) == 0 ? qAlpha(got.pixel(x, y)) != 0 : got.pixel(x, y) != w) {
                return QStringLiteral("pixel %1,%2").arg(x).arg(y);
            }
        }
    }
    return {};
}

// Pixels drawn at random from `colours` distinct colours; colour 0 has the given alpha.
QImage noise(int width, int height, int colours, int alphaOfFirst = 255) {
    QRandomGenerator random(quint32(width * height + colours));
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int i = int(random.bounded(colours));
            image.setPixel(x, y, qRgba(i & 0xff, (i * 91 + 13) & 0xff, i >> 8, i == 0 ? alphaOfFirst : 255));
        }
    }
    return image;
}

}  // namespace

void TestGifWriter::roundTrip_data() {
    QTest::addColumn<QImage>("image");
    QTest::newRow("1x1") << noise(1, 1, 1);
    QTest::newRow("odd width, 3 colours: palette padded to 4") << noise(13, 5, 3);
    QTest::newRow("5 colours: palette padded to 8") << noise(31, 9, 5);
    QTest::newRow("2 colours: 3-bit codes grow to 12") << noise(257, 199, 2);
    QTest::newRow("256 colours: the code table fills and restarts") << noise(300, 300, 256);
    QTest::newRow("one long run") << noise(1000, 40, 1);
    QTest::newRow("transparent ground") << noise(23, 23, 3, 0);
    QTest::newRow("indexed source image") << noise(17, 4, 4).convertToFormat(QImage::Format_Indexed8);
}

void TestGifWriter::roundTrip() {
    QFETCH(QImage, image);
    const std::optional<QByteArray> data = encodeGif(image);
    QVERIFY(data.has_value());
    QBuffer buffer;
    buffer.setData(*data);
    const QImage decoded = QImageReader(&buffer, "gif").read();
    QVERIFY2(!decoded.isNull(), "Qt cannot read the GIF");
    const QString difference = firstDifference(image, decoded);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestGifWriter::refused_data() {
    QTest::addColumn<QImage>("image");
    QTest::newRow("no image") << QImage();
    QTest::newRow("257 distinct colours") << noise(64, 64, 257);
    QTest::newRow("half transparent") << noise(3, 3, 1, 128);
    QTest::newRow("too wide") << noise(65536, 1, 1);
}

void TestGifWriter::refused() {
    QFETCH(QImage, image);
    QVERIFY(!encodeGif(image).has_value());
}

void TestGifWriter::writesAFile() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("cross.gif"));
    const QImage image = noise(11, 11, 3, 0);
    QVERIFY(writeGif(image, path));
    const QString difference = firstDifference(image, QImage(path));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QVERIFY(!writeGif(image, folder.filePath(QStringLiteral("no/such/folder.gif"))));
}

QTEST_MAIN(TestGifWriter)
#include "test_gif_writer.moc"
