#ifndef WIDGETS_SCREEN_H
#define WIDGETS_SCREEN_H

class QWidget;

// The standard dialog font of the window designs, 8.25 point sans serif.
void useDesignFont(QWidget* window);

#endif
