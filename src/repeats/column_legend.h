#ifndef VELKOR_REPEATS_COLUMN_LEGEND_H
#define VELKOR_REPEATS_COLUMN_LEGEND_H

#include <cstdio>

#include "repeats/report_options.h"

// Writes the legend of the columns of the chosen output format, every line
// starting with prefix.
void print_output_format(FILE* out, const char* prefix, const ReportOptions& options);

#endif
