#ifndef ASSETS_GIF_WRITER_H
#define ASSETS_GIF_WRITER_H

#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

// Qt reads GIF but cannot write it, so the cross beside the program is encoded here: one GIF89a
// frame with a global palette of the image's own colours and LZW-compressed pixels.
//
// The image may hold at most 256 distinct colours. Fully transparent pixels share one palette
// entry that is marked transparent; partly transparent pixels cannot be stored and make the
// encoding fail, as do an empty image and one wider or taller than 65535 pixels.
std::optional<QByteArray> encodeGif(const QImage& image);

// Encodes the image and writes it to the file; false when it cannot be encoded or written.
bool writeGif(const QImage& image, const QString& path);

#endif
