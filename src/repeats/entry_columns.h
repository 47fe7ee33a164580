#ifndef VELKOR_REPEATS_ENTRY_COLUMNS_H
#define VELKOR_REPEATS_ENTRY_COLUMNS_H

#include "repeats/CSequence_Mol.h"
#include "repeats/Csat.h"
#include "repeats/text_buffer.h"

// The fixed-width columns that begin an entry line of report formats 0 and
// 1, from the repeat's name to its perfection (N's counted as N_mode says).
void append_common_columns(TextBuffer& text, const Csat& sat, const CSequence_Mol& seq, int N_mode);
// The same, field by field: what the fast path must agree with, and what
// writes the numbers too wide for their columns.
void append_common_columns_plainly(TextBuffer& text, const Csat& sat, const CSequence_Mol& seq, int N_mode);

// The error counts of an entry line of format 1, the N's among them where
// N_column.
void append_error_counts(TextBuffer& text, const Csat& sat, bool N_column);
void append_error_counts_plainly(TextBuffer& text, const Csat& sat, bool N_column);

// The name of a repeat of that unit length, as "dinucleotide" or
// "12-nucleotide".
void append_repeat_name(TextBuffer& text, unsigned unit_length);

#endif
