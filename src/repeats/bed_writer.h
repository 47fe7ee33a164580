#ifndef VELKOR_REPEATS_BED_WRITER_H
#define VELKOR_REPEATS_BED_WRITER_H

#include <cstdio>

#include "driver/CSequence_Mol.h"
#include "repeats/CDnaString.h"
#include "repeats/Csat.h"

// The repeats as intervals for genome browsers and interval tools: six BED
// columns (0-based half-open positions, the unit as name, the score clamped
// to 0..1000, no strand), then the repeat's own values in full.

// The one header line, naming the columns.
void write_bed_header(FILE* out);

// The line of a repeat, if the report shows it; unit is room for its unit
// text. record_number names a record whose name gives no chromosome name.
void write_bed_record(FILE* out, const CSequence_Mol& seq, unsigned record_number, const Csat& sat, CDnaString& unit);

#endif
