#ifndef WIDGETS_PICTURE_BOX_H
#define WIDGETS_PICTURE_BOX_H

#include <QLabel>

// A box that shows a picture loaded from a file each time it is asked to, or nothing for an empty
// path. A file that cannot be loaded shows nothing and is reported once on standard error.
class PictureBox : public QLabel {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    void LoadPicture(const QString& path);
    void setBuiltInPicture(const QPixmap& picture);
    // The file last asked for; empty when the box was told to show nothing.
    QString picturePath() const { return path_; }
    bool showsPicture() const { return !pixmap().isNull(); }

private:
    QString path_;
};

#endif
