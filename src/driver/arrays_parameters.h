#ifndef VELKOR_DRIVER_ARRAYS_PARAMETERS_H
#define VELKOR_DRIVER_ARRAYS_PARAMETERS_H

#include "search/arrays/arrays_options.h"

// The settings of search mode arrays as the command line left them.
ArraysOptions arrays_options_from_parameters();

#endif
