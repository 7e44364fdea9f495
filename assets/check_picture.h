#ifndef ASSETS_CHECK_PICTURE_H
#define ASSETS_CHECK_PICTURE_H

#include <QByteArray>
#include <QImage>

#include "record/run_record.h"

// The wiring picture marked with what the check found, and the same as PNG.
QImage checkPicture(const RunRecord& record);
QByteArray checkPicturePng(const RunRecord& record);

#endif
