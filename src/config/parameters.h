#ifndef VELKOR_CONFIG_PARAMETERS_H
#define VELKOR_CONFIG_PARAMETERS_H

// What the search includes for its settings until it takes them as a value.
#include "config/search_globals_bridge.h"

#endif
