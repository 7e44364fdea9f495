// Draws the program's pictures at build time, and the marked wiring pictures of docs/ on demand.
// Each argument is a file to write; its name says which picture it holds and its suffix the format.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QStringList>
#include <cstdio>
#include <optional>

#include "assets/gif_writer.h"
#include "assets/pictures.h"
#include "assets/wiring_picture.h"

namespace {

constexpr int kJpegQuality = 92;

// The marks of docs/wiring-KIND.png, as a check of the simulated card with that fault gives them:
// roto:4, cruzados:3,5, analogica:4=230, ausente, and a good card cut short in test 3.
std::optional<WiringMarks> exampleMarks(const QString& kind) {
    WiringMarks marks = allWorking();
    if (kind == u"broken" || kind == u"crossed") {
        // Test 1 stops at the output that failed: the ones after it are never switched.
        for (int n = 4; n < 8; ++n) marks.wires[n] = {};
        marks.analog = {};
    }
    if (kind == u"broken") {
        marks.wires[4].state = WireState::Broken;
    } else if (kind == u"crossed") {
        marks.wires[3] = {WireState::Crossed, 5};
        marks.wires[5] = {WireState::Crossed, 3};
    } else if (kind == u"analog") {
        marks.analog[3] = {AnalogState::OutOfRange, 4.4922};
    } else if (kind == u"silent") {
        marks = WiringMarks();
        marks.cardSilent = true;
    } else if (kind == u"cut-short") {
        marks.analog = {};
        marks.interrupted = true;
    } else if (kind != u"good") {
        return std::nullopt;
    }
    return marks;
}

QImage pictureFor(const QString& fileName) {
    if (fileName == QStringLiteral("wiring.rgb32")) return drawWiringPicture();
    if (fileName.startsWith(QStringLiteral("wiring-")) && fileName.endsWith(QStringLiteral(".png"))) {
        const auto marks = exampleMarks(fileName.mid(7).chopped(4));
        return marks ? drawWiringPicture(*marks) : QImage();
    }
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
