#ifndef WIDGETS_LIST_BOX_H
#define WIDGETS_LIST_BOX_H

#include <QListWidget>

// A list of text lines in the order they came: append, clear, and set row i (which replaces
// row i, or appends it when the list has exactly i rows).
class ListBox : public QListWidget {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);

    void AddItem(const QString& line);
    void Clear();
    void SetRow(int row, const QString& line);
    QStringList lines() const;

signals:
    // Every line that is appended, as it is appended.
    void lineAdded(const QString& line);
};

#endif
