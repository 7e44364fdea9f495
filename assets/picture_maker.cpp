// Draws the program's pictures at build time. Each argument is a file to write; its name says
// which picture it holds and its suffix the format.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QStringList>
#include <cstdio>

#include "assets/gif_writer.h"
#include "assets/pictures.h"
#include "assets/wiring_picture.h"

namespace {

constexpr int kJpegQuality = 92;

QImage pictureFor(const QString& fileName) {
    if (fileName == QStringLiteral("wiring.rgb32")) return drawWiringPicture();
    if (fileName == QStringLiteral("test_label.png")) return drawTestLabel(1);
    if (fileName == QLatin1String(kCrossPictureFile)) return drawCrossPicture();
    if (fileName == QStringLiteral("cardcheck.png")) return drawProgramIcon();
    for (int test = 1; test <= kTestCount; ++test) {
        if (fileName == testPictureFile(test)) return drawTestLabel(test);
    }
    return {};
}

bool writePicture(const QImage& picture, const QString& path) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QStringLiteral("gif")) return writeGif(picture, path);
    if (suffix == QStringLiteral("rgb32")) return writeRawPicture(picture, path);
    const int quality = suffix == QStringLiteral("jpg") ? kJpegQuality : -1;
    return picture.save(path, nullptr, quality);
}

}  // namespace

int main(int argc, char* argv[]) {
    QGuiApplication application(argc, argv);  // text needs the font database
    const QStringList paths = application.arguments().mid(1);
    if (paths.isEmpty()) {
        std::fprintf(stderr, "usage: picture_maker FILE...\n");
        return 2;
    }
    for (const QString& path : paths) {
        const QImage picture = pictureFor(QFileInfo(path).fileName());
        if (picture.isNull()) {
            std::fprintf(stderr, "picture_maker: no picture is called %s\n", qPrintable(path));
            return 1;
        }
        if (!writePicture(picture, path)) {
            std::fprintf(stderr, "picture_maker: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
