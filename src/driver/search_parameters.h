#ifndef VELKOR_DRIVER_SEARCH_PARAMETERS_H
#define VELKOR_DRIVER_SEARCH_PARAMETERS_H

#include "config/run_options.h"
#include "search/search_options.h"

// The settings of the three original search modes as the command line left
// them; the shortcuts keep their defaults.
SearchOptions search_options_of(const RunOptions& run);

#endif
