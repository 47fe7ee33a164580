#ifndef VELKOR_CONFIG_SEARCH_PARAMETERS_SUMMARY_H
#define VELKOR_CONFIG_SEARCH_PARAMETERS_SUMMARY_H

#include <cstdio>

#include "config/run_options.h"

// Writes the block of parameter settings, every line starting with prefix.
void print_search_parameters(FILE* out, const char* prefix, const RunOptions& options);

#endif
