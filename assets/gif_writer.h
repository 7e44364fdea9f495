#ifndef ASSETS_GIF_WRITER_H
#define ASSETS_GIF_WRITER_H

#include <QImage>
#include <QString>

// Qt reads GIF but cannot write it, so the cross beside the program is written here. The picture
// may hold two colours at most; a fully transparent one becomes the GIF's transparent colour.
// False when the picture has more colours or partly transparent pixels, or the file cannot be
// written.
bool writeGif(const QImage& image, const QString& path);

#endif
