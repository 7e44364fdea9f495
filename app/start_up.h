#ifndef APP_START_UP_H
#define APP_START_UP_H

#include <memory>
#include <variant>

#include "app/command_line.h"
#include "card/ppdev_port.h"

class Clock;
class Port;

// The card behind the port the user chose: the parallel port (ppdev) or the simulated card.
// Chosen once, at start; nothing else in the program asks which it is.
std::variant<std::unique_ptr<Port>, PortAccessError> openCard(const CommandLine& options, Clock& clock);

// Says why the port cannot be used: always on standard error, and in a dialog with a single
// button when there is a screen to show it on. Needs no application object of its own.
void reportAccessError(const QString& message, bool withDialog, int argc, char* argv[]);

#endif
