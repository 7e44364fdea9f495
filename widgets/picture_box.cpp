#include "widgets/picture_box.h"

#include <QPixmap>
#include <QSet>
#include <cstdio>

namespace {

void reportMissingOnce(const QString& path) {
    static QSet<QString> reported;
    if (reported.contains(path)) return;
    reported.insert(path);
    std::fprintf(stderr, "cardcheck: no se puede cargar la imagen %s\n", qPrintable(path));
}

}  // namespace

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFrameStyle(QFrame::Box | QFrame::Plain);
}

void PictureBox::LoadPicture(const QString& path) {
    const bool wasOn = signIsOn();
    path_ = path;
    showFile(path);
    if (signIsOn() != wasOn) signChanged(this);
}

void PictureBox::showFile(const QString& path) {
    if (path.isEmpty()) {
        clear();
        return;
    }
    QPixmap picture(path);
    if (picture.isNull()) {
        reportMissingOnce(path);
        clear();
        return;
    }
    setPixmap(picture);
}

void PictureBox::setBuiltInPicture(const QPixmap& picture) {
    const bool wasOn = signIsOn();
    path_.clear();
    setPixmap(picture);
    if (wasOn) signChanged(this);
}
