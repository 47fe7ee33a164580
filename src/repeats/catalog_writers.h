#ifndef VELKOR_REPEATS_CATALOG_WRITERS_H
#define VELKOR_REPEATS_CATALOG_WRITERS_H

#include <cstdio>
#include <string>

#include "repeats/repeat_fields.h"
#include "repeats/text_buffer.h"

// Repeat catalogues for tandem-repeat genotypers, one locus per repeat that
// the report shows. The motif is the unit as it reads on the forward strand
// where the repeat starts: genotypers match it against the reads as they
// align to the reference, not against a normal form.

// trgt: BED (0-based, half-open), the fourth column
// ID=<id>;MOTIFS=<unit>;STRUC=(<unit>)n.
void append_trgt_locus(TextBuffer& line, const RepeatFields& repeat);

// HipSTR: chromosome, start (1-based), end (inclusive), period, number of
// copies and name, tab-separated.
void append_hipstr_locus(TextBuffer& line, const RepeatFields& repeat);

// ExpansionHunter: a JSON array of loci with LocusId, LocusStructure,
// ReferenceRegion (0-based, half-open) and VariantType. The array is opened
// by the head and closed by the end; first tells whether a locus is the
// first of the file, which takes no comma before it.
void write_expansionhunter_head(FILE* out);
void append_expansionhunter_locus(TextBuffer& line, const RepeatFields& repeat, bool first);
void write_expansionhunter_end(FILE* out);

// text inside a JSON string: quotes, backslashes and control characters
// escaped.
std::string json_escaped(const std::string& text);

#endif
