#ifndef WIDGETS_SCREEN_H
#define WIDGETS_SCREEN_H

class QWidget;

// Paints every visible window at once, without running the event loop, so what a handler has set
// is on screen while it blocks in a wait. List boxes lay out their new lines first.
void repaintVisibleWindows();

// The standard dialog font of the window designs, 8.25 point sans serif.
void useDesignFont(QWidget* window);

#endif
