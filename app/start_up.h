#ifndef APP_START_UP_H
#define APP_START_UP_H

#include <functional>
#include <memory>
#include <variant>

#include "app/command_line.h"
#include "card/ppdev_port.h"

class Clock;
class Port;

// The exit status when the port cannot be used, at start or later.
inline constexpr int kPortUnusable = 2;

// The card behind the port the user chose: the parallel port (ppdev) or the simulated card.
// Chosen once, at start; nothing else in the program asks which it is. onLost is called if the
// port goes away later.
std::variant<std::unique_ptr<Port>, PortAccessError> openCard(const CommandLine& options, Clock& clock,
                                                              std::function<void(const QString&)> onLost);

// The port went away while the windows were open. Called inside the port operation that failed,
// so only this happens at once: every window stops its timers and leaves the screen, and no
// reading of a port that is gone is shown. The tick that runs is not given up (it is the caller),
// and with every wait on a lost port ending at once it runs out by itself. The message goes to
// standard error; its dialog and the end of the program with status 2 wait for the event loop.
void leaveOnLostPort(const QString& message, std::function<void(int)> endProgram);

// A message on standard error, at once; about the port always, whatever else shows it.
void printError(const QString& message);
// Whether there is a screen, and somebody to click a dialog's button.
bool canShowDialogs();
// The same message in a dialog with a single button; needs the application object.
void showAccessErrorDialog(const QString& message);

#endif
