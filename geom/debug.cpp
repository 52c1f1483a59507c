// The kernel's trace switch. It stays 0 in the shipped plug-in; tests turn it
// on to read the trace lines.
#include "kvx_geom.h"

int kvx_debug = 0;
