#include "assets/check_picture.h"

#include <QBuffer>

#include "assets/wiring_picture.h"

QImage checkPicture(const RunRecord& record) {
    return drawWiringPicture(diagnose(record));
}

QByteArray checkPicturePng(const RunRecord& record) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    checkPicture(record).save(&buffer, "PNG");
    return png;
}
