#include "batch/day_filter.h"

#include <QDateEdit>

namespace {
const QDate kNoLimit(2000, 1, 1);
}  // namespace

QDateEdit* newDayFilter(QWidget* parent, const QString& name, const QString& unset) {
    auto* edit = new QDateEdit(parent);
    edit->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    edit->setMinimumDate(kNoLimit);
    edit->setSpecialValueText(unset);
    edit->setDate(kNoLimit);
    edit->setCalendarPopup(true);
    edit->setAccessibleName(name);
    return edit;
}

QDate filterDay(const QDateEdit* edit) {
    return edit->date() == kNoLimit ? QDate() : edit->date();
}
