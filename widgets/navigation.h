#ifndef WIDGETS_NAVIGATION_H
#define WIDGETS_NAVIGATION_H

class QWidget;

// What a check window may ask of the program when it is left: the menu back, itself unloaded,
// or the program ended. The check windows know no other window.
class Navigation {
public:
    virtual ~Navigation() = default;
    // Shows the main menu and enables it, in that order.
    virtual void showMenu() = 0;
    // Destroys the window: its timers stop at once; a later visit loads it afresh.
    virtual void unload(QWidget* window) = 0;
    // Ends the program at once: no further handler runs and nothing more is written to the card.
    virtual void endProgram() = 0;
};

// A test window kept out of sight: nobody can click its buttons, so none of this is ever asked for.
class NoNavigation : public Navigation {
public:
    void showMenu() override {}
    void unload(QWidget*) override {}
    void endProgram() override {}
};

#endif
