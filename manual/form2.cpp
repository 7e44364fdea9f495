#include "manual/form2.h"
