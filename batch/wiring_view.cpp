#include "batch/wiring_view.h"

#include "assets/check_picture.h"
#include "assets/pictures.h"
#include "assets/wiring_picture.h"
#include "record/wording.h"

WiringView::WiringView(const QString& name, int width, QWidget* parent) : QLabel(parent) {
    setObjectName(name);
    setFixedSize(kWiringPictureSize.scaled(width, kWiringPictureSize.height(), Qt::KeepAspectRatio));
    setScaledContents(true);
    setAccessibleName(wiringAccessibleName());
    hide();
}

void WiringView::showCheck(const RunRecord& record) {
    const WiringMarks marks = diagnose(record);
    setPixmap(QPixmap::fromImage(drawWiringPicture(marks)));
    setAccessibleDescription(wiringDescription(marks));
    show();
}

void WiringView::clearCheck() {
    clear();
    setAccessibleDescription(QString());
    hide();
}
