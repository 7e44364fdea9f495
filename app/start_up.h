#ifndef APP_START_UP_H
#define APP_START_UP_H

#include <functional>
#include <memory>
#include <variant>

#include "app/command_line.h"
#include "card/ppdev_port.h"

class Clock;
class Port;

// The card behind the port the user chose: the parallel port (ppdev) or the simulated card.
// Chosen once, at start; nothing else in the program asks which it is. onLost is called if the
// port goes away later.
std::variant<std::unique_ptr<Port>, PortAccessError> openCard(const CommandLine& options, Clock& clock,
                                                              std::function<void(const QString&)> onLost);

// After the port is lost: every window stops its timers and leaves the screen, so no reading of a
// port that is gone is ever shown. A tick that runs is not given up: it is the one whose port
// operation failed, and with every wait on a lost port ending at once it runs out by itself.
void withdrawAllWindows();

// A message about the port, on standard error; always, whatever else shows it.
void printAccessError(const QString& message);
// Whether there is a screen, and somebody to click a dialog's button.
bool canShowDialogs();
// The same message in a dialog with a single button; needs the application object.
void showAccessErrorDialog(const QString& message);

#endif
