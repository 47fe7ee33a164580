#ifndef VELKOR_REPEATS_ALIGNMENT_LINES_H
#define VELKOR_REPEATS_ALIGNMENT_LINES_H

#include <cstddef>
#include <cstdio>

#include "repeats/CSequence_Mol.h"
#include "repeats/Csat.h"
#include "repeats/report_options.h"
#include "repeats/text_buffer.h"

// The three lines that align a repeat with its ideal repeat: the residues,
// the match marks and the unit characters, with the flanks when they are
// shown.
//
// Each line is as long as the repeat, and a repeat may span most of a
// chromosome-sized record: held at once, the three lines would take three
// times the record. So the lines are written one after the other, and lines
// longer than the options' alignment window are passed on to out whenever
// the text passes it; shorter ones are only appended to text, to be written
// with the entries gathered around them. The options give the flanks too.
void append_alignment_lines(TextBuffer& text, FILE* out, const Csat& sat, const CSequence_Mol& seq,
                            const ReportOptions& options);
// The residue line alone, with no error shown: the residues of the repeat
// between its flanks, each set off by a colon.
void append_residue_line(TextBuffer& text, FILE* out, const Csat& sat, const CSequence_Mol& seq,
                         const ReportOptions& options);

#endif
