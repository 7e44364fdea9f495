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

QImage decode(const QByteArray& data) {
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader(&buffer, "gif");
    return reader.read().convertToFormat(QImage::Format_ARGB32);
}

// Transparent pixels carry no colour, so only their alpha is compared.
QString firstDifference(const QImage& drawn, const QImage& decoded) {
    if (decoded.size() != drawn.size()) {
        return QStringLiteral("decoded %1x%2").arg(decoded.width()).arg(decoded.height());
    }
    const QImage expected = drawn.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb want = expected.pixel(x, y);
            const QRgb got = decoded.pixel(x, y);
            const bool same = qAlpha(want) == 0 ? qAlpha(got) == 0 : got == want;
            if (!same) {
                return QStringLiteral("pixel %1,%2: %3 instead of %4")
                    .arg(x)
                    .arg(y)
                    .arg(got, 8, 16, QLatin1Char('0'))
                    .arg(want, 8, 16, QLatin1Char('0'));
            }
        }
    }
    return {};
}

QImage filled(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// Pixels drawn at random from the first `colours` entries of a fixed palette.
QImage noise(int width, int height, int colours, quint32 seed) {
    QRandomGenerator random(seed);
    QList<QRgb> palette;
    for (int i = 0; i < colours; ++i) palette.append(qRgb((i * 37) % 256, (i * 91 + 13) % 256, i));
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) image.setPixel(x, y, palette[random.bounded(colours)]);
    }
    return image;
}

// Every pixel its own colour, 256 of them.
QImage allColours() {
    QImage image(16, 16, QImage::Format_ARGB32);
    for (int i = 0; i < 256; ++i) image.setPixel(i % 16, i / 16, qRgb(i, 255 - i, (i * 7) % 256));
    return image;
}

QImage stripes(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) image.setPixel(x, y, (x / 3 + y) % 3 == 0 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    }
    return image;
}

QImage crossOnTransparent(int side) {
    QImage image = filled(side, side, qRgba(0, 0, 0, 0));
    for (int i = 0; i < side; ++i) {
        image.setPixel(i, i, qRgb(0, 0, 0));
        image.setPixel(side - 1 - i, i, qRgb(200, 30, 30));
    }
    return image;
}

}  // namespace

void TestGifWriter::roundTrip_data() {
    QTest::addColumn<QImage>("image");
    QTest::newRow("1x1") << filled(1, 1, qRgb(12, 34, 56));
    QTest::newRow("1x1 transparent") << filled(1, 1, qRgba(0, 0, 0, 0));
    QTest::newRow("1x7 column") << stripes(1, 7);
    QTest::newRow("7x3 odd width") << stripes(7, 3);
    QTest::newRow("13x5 three colours") << noise(13, 5, 3, 1);
    QTest::newRow("5 colours, palette padded to 8") << noise(31, 9, 5, 2);
    QTest::newRow("129 colours, 8-bit codes from the start") << noise(41, 43, 129, 3);
    QTest::newRow("256 colours, one pixel each") << allColours();
    QTest::newRow("256 colours of noise: the code table fills and restarts") << noise(300, 300, 256, 4);
    QTest::newRow("2 colours of noise: 3-bit codes grow to 12") << noise(257, 199, 2, 5);
    QTest::newRow("one long run") << filled(1000, 40, qRgb(0, 128, 255));
    QTest::newRow("long repeating stripes") << stripes(999, 61);
    QTest::newRow("transparent ground") << crossOnTransparent(23);
    QTest::newRow("white ground, opaque black") << [] {
        QImage image = filled(9, 9, qRgb(255, 255, 255));
        image.setPixel(4, 4, qRgb(0, 0, 0));
        return image;
    }();
    QTest::newRow("indexed source image") << stripes(17, 4).convertToFormat(QImage::Format_Indexed8);
}

void TestGifWriter::roundTrip() {
    QFETCH(QImage, image);
    const std::optional<QByteArray> data = encodeGif(image);
    QVERIFY(data.has_value());
    QVERIFY(data->startsWith("GIF89a"));
    QVERIFY(data->endsWith(';'));
    const QImage decoded = decode(*data);
    QVERIFY2(!decoded.isNull(), "Qt cannot read the GIF");
    const QString difference = firstDifference(image, decoded);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestGifWriter::refused_data() {
    QTest::addColumn<QImage>("image");
    QTest::newRow("no image") << QImage();
    QImage tooMany = allColours().copy(0, 0, 17, 16);
    tooMany.setPixel(16, 0, qRgb(1, 2, 3));
    QTest::newRow("257 distinct colours") << tooMany;
    QTest::newRow("half transparent") << filled(3, 3, qRgba(10, 20, 30, 128));
    QTest::newRow("too wide") << filled(65536, 1, qRgb(0, 0, 0));
}

void TestGifWriter::refused() {
    QFETCH(QImage, image);
    QVERIFY(!encodeGif(image).has_value());
}

void TestGifWriter::writesAFile() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("cross.gif"));
    const QImage image = crossOnTransparent(11);
    QVERIFY(writeGif(image, path));
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), QByteArray("gif"));
    const QString difference = firstDifference(image, reader.read().convertToFormat(QImage::Format_ARGB32));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QVERIFY(!writeGif(QImage(), folder.filePath(QStringLiteral("nothing.gif"))));
    QVERIFY(!writeGif(image, folder.filePath(QStringLiteral("no/such/folder.gif"))));
}

QTEST_MAIN(TestGifWriter)
#include "test_gif_writer.moc"
