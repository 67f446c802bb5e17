// The switches.
#include "sim/switches.h"

BOOLEAN k_g = 0;
BOOLEAN k_v = 0;
