#ifndef WIDGETS_PICTURE_BOX_H
#define WIDGETS_PICTURE_BOX_H

#include <QLabel>

#include "widgets/two_state_sign.h"

// A box that shows a picture loaded from a file each time it is asked to, or nothing for an empty
// path. A file that cannot be loaded shows nothing and is reported once on standard error.
// Given sign words, it is an indicator: on while it is asked to show a file, even one that cannot be
// loaded, since that is what the window means it to show.
class PictureBox : public QLabel, public TwoStateSign {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    void LoadPicture(const QString& path);
    void setBuiltInPicture(const QPixmap& picture);
    // The file last asked for; empty when the box was told to show nothing.
    QString picturePath() const { return path_; }
    bool showsPicture() const { return !pixmap().isNull(); }
    bool signIsOn() const override { return !path_.isEmpty(); }

private:
    void showFile(const QString& path);

    QString path_;
};

#endif
