#include "autotest/form3.h"
