#ifndef VELKOR_REPEATS_CATALOG_WRITERS_H
#define VELKOR_REPEATS_CATALOG_WRITERS_H

#include <cstdio>
#include <string>

#include "repeats/repeat_fields.h"
#include "repeats/text_buffer.h"

// Repeat catalogues for tandem-repeat genotypers, one locus per repeat that
// the report shows and the catalogue keeps. The motif is the unit as it reads
// on the forward strand where the repeat starts: genotypers match it against
// the reads as they align to the reference, not against a normal form.

// The name of a locus in every catalogue: RECORD_START_END_MOTIF, START
// 0-based and END one past the last residue, as in BED. Made only of what
// identifies the locus, it is the same in every run, shard and catalogue, so
// that catalogues can be joined. Characters of the record name other than
// letters, digits and . _ - : + | are written %XX (hexadecimal), so that the
// name holds no separator of any format (; = , tab, quotes) and two record
// names never give one.
void make_locus_id(std::string& id, const std::string& chrom, unsigned start, unsigned end,
                   const CDnaString& motif);

// trgt: BED (0-based, half-open), the fourth column
// ID=<id>;MOTIFS=<unit>;STRUC=(<unit>)n.
void append_trgt_locus(TextBuffer& line, const RepeatFields& repeat);

// HipSTR: chromosome, start (1-based), end (inclusive), period, number of
// copies and name, tab-separated. HipSTR rejects the whole file for a single
// region with a longer period than this.
constexpr unsigned hipstr_longest_period = 9;
void append_hipstr_locus(TextBuffer& line, const RepeatFields& repeat);

// ExpansionHunter: a JSON array of loci with LocusId, LocusStructure,
// ReferenceRegion (0-based, half-open) and VariantType. The array is opened
// by the head and closed by the end; every locus but the first is preceded
// by a comma.
void write_expansionhunter_head(FILE* out);
void append_expansionhunter_locus(TextBuffer& line, const RepeatFields& repeat);
void write_expansionhunter_end(FILE* out);
// ExpansionHunter cuts ReferenceRegion at every ':' and '-' and needs exactly
// three pieces: a record name holding either cannot be given to it.
bool expansionhunter_reads_name(const std::string& chrom);

// text inside a JSON string: quotes, backslashes and control characters
// escaped.
std::string json_escaped(const std::string& text);

#endif
