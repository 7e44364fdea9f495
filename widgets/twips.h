#ifndef WIDGETS_TWIPS_H
#define WIDGETS_TWIPS_H

#include <QRect>

// The window designs are measured in twips: 15 to a pixel at 96 dots per inch.
constexpr int twipsToPixels(int twips) {
    return twips / 15;
}

inline QRect twipsRect(int left, int top, int width, int height) {
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

#endif
