#ifndef VELKOR_REPEATS_GFF3_WRITER_H
#define VELKOR_REPEATS_GFF3_WRITER_H

#include <cstdio>
#include <string>

#include "repeats/repeat_fields.h"
#include "repeats/text_buffer.h"

// The repeats as GFF3 features for genome annotation: one feature of type
// tandem_repeat (SO:0000705) per repeat, 1-based and inclusive, strand '.',
// with the repeat's values as attributes.

void write_gff_head(FILE* out);

// The extent of a searched record. An empty record gets none: a region
// cannot end before it starts, and no feature lies in it.
void write_gff_sequence_region(FILE* out, const std::string& chrom, unsigned length);

void append_gff_feature(TextBuffer& line, const RepeatFields& repeat);

// A record name as GFF3 lets it stand in the sequence column: every
// character but letters, digits and .:^*$@!+_?-| as %XX.
std::string gff_seqid(const std::string& chrom);

#endif
