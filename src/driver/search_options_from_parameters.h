#ifndef VELKOR_DRIVER_SEARCH_OPTIONS_FROM_PARAMETERS_H
#define VELKOR_DRIVER_SEARCH_OPTIONS_FROM_PARAMETERS_H

#include "search/search_options.h"

// The settings of the three original search modes as the command line left
// them; the shortcuts keep their defaults.
SearchOptions search_options_from_parameters();

#endif
