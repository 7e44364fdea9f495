#ifndef APP_PORTS_LISTING_H
#define APP_PORTS_LISTING_H

#include <QString>

#include "card/parport_list.h"

// What --ports prints: every parallel port the kernel knows, one block each, with its address,
// interrupt, modes, who holds it and whether this user may open it; or that there is none and how
// to load the drivers. It claims nothing and writes nothing to any port.
QString portsListing(const ParportPlaces& places = {});

#endif
