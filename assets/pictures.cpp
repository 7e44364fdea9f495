#include "assets/pictures.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QResource>
#include <QSaveFile>
#include <cstdlib>

QImage builtInWiringPicture() {
    const QResource resource(QString::fromLatin1(kWiringResource));
    const qint64 bytes = qint64(kWiringPictureSize.width()) * kWiringPictureSize.height() * 4;
    if (!resource.isValid() || resource.compressionAlgorithm() != QResource::NoCompression || resource.size() != bytes)
        return {};
    return QImage(resource.data(), kWiringPictureSize.width(), kWiringPictureSize.height(), QImage::Format_RGB32);
}

bool writeRawPicture(const QImage& picture, const QString& path) {
    const QImage pixels = picture.convertToFormat(QImage::Format_RGB32);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    // Row by row: a row of the image may be padded, a row of the file never is.
    for (int y = 0; y < pixels.height(); ++y)
        file.write(reinterpret_cast<const char*>(pixels.constScanLine(y)), qint64(pixels.width()) * 4);
    return file.commit();
}

QImage drawTestLabel(int test) {
    QImage image(kTestLabelSize, QImage::Format_RGB32);
    image.fill(kTestLabelGreen);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const QRectF box(12.5, 4.5, 86, 28);
    painter.setPen(QPen(QColor(20, 70, 20), 1));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(box, 3, 3);

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(18);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(box, Qt::AlignCenter, QStringLiteral("TEST %1").arg(test));
    return image;
}

QImage drawCrossPicture() {
    QImage image(kCrossPictureSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const int last = image.width() - 1;
    const int margin = 3;
    for (int y = margin; y <= last - margin; ++y) {
        for (int x = margin; x <= last - margin; ++x) {
            // Three pixels wide along both diagonals.
            if (std::abs(x - y) <= 1 || std::abs(x + y - last) <= 1) image.setPixel(x, y, qRgb(0, 0, 0));
        }
    }
    return image;
}

QImage drawProgramIcon() {
    QImage image(kProgramIconSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    // The card: a green board with its connector on top, two chips and a terminal strip.
    painter.setPen(QPen(QColor(10, 60, 30), 2));
    painter.setBrush(QColor(40, 130, 75));
    painter.drawRoundedRect(QRectF(4, 10, 50, 44), 4, 4);
    painter.setPen(QPen(QColor(70, 70, 80), 1));
    painter.setBrush(QColor(200, 200, 210));
    painter.drawRoundedRect(QRectF(14, 5, 30, 9), 2, 2);
    painter.setBrush(QColor(25, 25, 30));
    painter.drawRect(QRectF(10, 20, 14, 9));
    painter.drawRect(QRectF(30, 20, 14, 9));
    painter.setBrush(QColor(40, 100, 190));
    painter.drawRect(QRectF(9, 40, 40, 10));
    painter.setBrush(QColor(220, 220, 220));
    for (int i = 0; i < 5; ++i) painter.drawEllipse(QPointF(13 + 8 * i, 45), 2.4, 2.4);

    // The check mark, white-edged so that it stands out over the board.
    QPainterPath check;
    check.moveTo(28, 40);
    check.lineTo(40, 53);
    check.lineTo(60, 24);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(check);
    painter.setPen(QPen(QColor(0, 170, 40), 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(check);
    return image;
}
