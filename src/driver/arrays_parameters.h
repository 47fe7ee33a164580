#ifndef VELKOR_DRIVER_ARRAYS_PARAMETERS_H
#define VELKOR_DRIVER_ARRAYS_PARAMETERS_H

#include "config/run_options.h"
#include "search/arrays/arrays_options.h"

// The settings of search mode arrays as the command line left them.
ArraysOptions arrays_options_of(const RunOptions& run);

#endif
