#ifndef VELKOR_REPEATS_BED_WRITER_H
#define VELKOR_REPEATS_BED_WRITER_H

#include <cstdio>

#include "repeats/repeat_fields.h"
#include "repeats/text_buffer.h"

// The repeats as intervals for genome browsers and interval tools: BED9
// (0-based half-open positions, the unit as name, the score clamped to
// 0..1000, no strand, the thick part the whole repeat, no colour), then the
// repeat's own values in full, as the autoSql description velkor.as names
// them. Browsers draw any BED line's columns 7 and 8 as its thick part, so
// nothing else may stand there.

// The one header line, naming the columns.
void write_bed_header(FILE* out);

void append_bed_line(TextBuffer& line, const RepeatFields& repeat);

#endif
