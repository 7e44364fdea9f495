#ifndef WIDGETS_LAMP_H
#define WIDGETS_LAMP_H

#include <QWidget>

#include "widgets/two_state_sign.h"

// A small square lamp whose state is its fill style: 0 lit (solid red), 1 dark (outline only).
class Lamp : public QWidget, public TwoStateSign {
    Q_OBJECT
public:
    static constexpr int kLit = 0;
    static constexpr int kDark = 1;

    explicit Lamp(QWidget* parent = nullptr);

    int FillStyle() const { return fillStyle_; }
    void setFillStyle(int style);
    bool isLit() const { return fillStyle_ == kLit; }
    void setLit(bool lit) { setFillStyle(lit ? kLit : kDark); }
    bool signIsOn() const override { return isLit(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int fillStyle_ = kDark;
};

// An analog input's lamp and voltage box as a screen reader hears them, on the panel and in the
// test window alike: both "Entrada analógica 2", the lamp with or without voltage, the box with the
// voltage as its text.
void nameAnalogInput(int input, Lamp* lamp, QWidget* valueBox);

#endif
