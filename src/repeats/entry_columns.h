#ifndef VELKOR_REPEATS_ENTRY_COLUMNS_H
#define VELKOR_REPEATS_ENTRY_COLUMNS_H

#include "repeats/CSequence_Mol.h"
#include "repeats/Csat.h"
#include "repeats/text_buffer.h"

// The fixed-width columns that begin an entry line of report formats 0 and
// 1, from the repeat's name to its perfection.
void append_common_columns(TextBuffer& text, const Csat& sat, const CSequence_Mol& seq);
// The same, field by field: what the fast path must agree with, and what
// writes the numbers too wide for their columns.
void append_common_columns_plainly(TextBuffer& text, const Csat& sat, const CSequence_Mol& seq);

// The error counts of an entry line of format 1, N's included unless they
// count as mismatches.
void append_error_counts(TextBuffer& text, const Csat& sat);
void append_error_counts_plainly(TextBuffer& text, const Csat& sat);

#endif
