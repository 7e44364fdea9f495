#include "widgets/list_box.h"

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::NoSelection);
}

void ListBox::AddItem(const QString& line) {
    addItem(line);
    emit lineAdded(line);
}

void ListBox::Clear() {
    clear();
}

void ListBox::SetRow(int row, const QString& line) {
    if (row == count())
        AddItem(line);
    else if (QListWidgetItem* existing = item(row))
        existing->setText(line);
}

QStringList ListBox::lines() const {
    QStringList result;
    for (int i = 0; i < count(); ++i) result << item(i)->text();
    return result;
}
