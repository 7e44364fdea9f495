#include "tests/support/card_rig.h"
