#include "assets/gif_writer.h"

#include <QList>
#include <QSaveFile>

namespace {

// Codes 0 and 1 are the two palette entries; 2 and 3 go unused but GIF's LZW starts at 2 bits.
constexpr int kMinCodeSize = 2;
constexpr int kClearCode = 4;
constexpr int kEndCode = 5;
constexpr int kCodeBits = 3;
// The pixels go out as plain codes, never as table entries. A decoder still adds an entry for
// every code but the first after a clear, and reads 4-bit codes once entries 6 and 7 are taken,
// that is after the third code; a clear every two pixels keeps every code, clears too, 3 bits wide.
constexpr int kPixelsPerClear = 2;
constexpr int kMaxSubBlock = 255;

void appendWord(QByteArray& out, int value) {
    out.append(char(value & 0xff)).append(char(value >> 8 & 0xff));
}

}  // namespace

bool writeGif(const QImage& image, const QString& path) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QList<QRgb> palette;
    int transparent = -1;
    QByteArray codes;  // packed least significant bit first
    unsigned bits = 0;
    int bitCount = 0;
    const auto put = [&](int code) {
        bits |= unsigned(code) << bitCount;
        bitCount += kCodeBits;
        for (; bitCount >= 8; bitCount -= 8, bits >>= 8) codes.append(char(bits & 0xff));
    };
    int pixel = 0;
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x, ++pixel) {
            const QRgb drawn = argb.pixel(x, y);
            if (qAlpha(drawn) != 0 && qAlpha(drawn) != 255) return false;
            const QRgb colour = qAlpha(drawn) == 0 ? 0 : drawn;  // one entry for all transparent pixels
            qsizetype index = palette.indexOf(colour);
            if (index < 0) {
                if (palette.size() == 2) return false;
                index = palette.size();
                palette.append(colour);
                if (qAlpha(colour) == 0) transparent = int(index);
            }
            if (pixel % kPixelsPerClear == 0) put(kClearCode);
            put(int(index));
        }
    }
    put(kEndCode);
    if (bitCount > 0) codes.append(char(bits));

    QByteArray out("GIF89a");
    appendWord(out, argb.width());
    appendWord(out, argb.height());
    out.append("\x80\0\0", 3);  // a global palette of two entries, no background, square pixels
    for (int i = 0; i < 2; ++i) {
        const QRgb colour = palette.value(i);
        out.append(char(qRed(colour))).append(char(qGreen(colour))).append(char(qBlue(colour)));
    }
    if (transparent >= 0) {
        out.append("\x21\xf9\x04\x01\0\0", 6);  // graphic control: no delay, one colour transparent
        out.append(char(transparent)).append('\0');
    }
    out.append('\x2c');  // the image covers the whole screen, not interlaced, no local palette
    appendWord(out, 0);
    appendWord(out, 0);
    appendWord(out, argb.width());
    appendWord(out, argb.height());
    out.append('\0').append(char(kMinCodeSize));
    for (qsizetype at = 0; at < codes.size(); at += kMaxSubBlock) {
        const QByteArray block = codes.mid(at, kMaxSubBlock);
        out.append(char(block.size())).append(block);
    }
    out.append('\0').append('\x3b');  // no more sub-blocks; end of file

    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size() && file.commit();
}
