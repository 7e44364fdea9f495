#ifndef WIDGETS_LAMP_H
#define WIDGETS_LAMP_H

#include <QWidget>

// A small square lamp whose state is its fill style: 0 lit (solid red), 1 dark (outline only).
class Lamp : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLit = 0;
    static constexpr int kDark = 1;

    explicit Lamp(QWidget* parent = nullptr);

    int FillStyle() const { return fillStyle_; }
    void setFillStyle(int style);
    bool isLit() const { return fillStyle_ == kLit; }
    void setLit(bool lit) { setFillStyle(lit ? kLit : kDark); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int fillStyle_ = kDark;
};

#endif
