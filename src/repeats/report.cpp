#include <cstdio>
#include <cstring>

#include "repeats/CSequence_Mol.h"
#include "repeats/CDnaString.h"
#include "repeats/Csat.h"
#include "repeats/alignment_lines.h"
#include "repeats/entry_columns.h"
#include "repeats/report_block.h"
#include "repeats/text_buffer.h"
#include "repeats/unit_text.h"

namespace {

void append_sputnik_line(TextBuffer& text, const Csat& sat, const CSequence_Mol& seq, const CDnaString& unit,
                         int N_mode) {
  append_repeat_name(text, sat.unit_length());
  text.append(' ');
  text.append_int(sat.start_position(seq.residues));
  text.append(" : ");
  text.append_int(sat.end_position(seq.residues));
  text.append(" -- length ");
  text.append_int(sat.normalised_length());
  text.append(" score ");
  text.append_int(sat.score);
  text.append(" perfection ");
  text.append_int(static_cast<int>(sat.perfection(N_mode) + 0.5));
  text.append(" unit ");
  text.append(unit.data, unit.length);
  text.append('\n');
}

void append_velkor_line(TextBuffer& text, const Csat& sat, const CSequence_Mol& seq, const CDnaString& unit,
                        int N_mode) {
  append_common_columns(text, sat, seq, N_mode);
  text.append("unit ");
  text.append(unit.data, unit.length);
  text.append('\n');
}

void append_extended_lines(TextBuffer& text, const Csat& sat, const CSequence_Mol& seq, const CDnaString& unit,
                           const ReportOptions& options) {
  append_common_columns(text, sat, seq, options.N_perfection_mode);
  append_error_counts(text, sat, options.N_column);
  text.append(" unit ");
  text.append(unit.data, unit.length);
  text.append("\nMissense: ");
  for (const missense_entry& entry : sat.missense) {
    text.append('(');
    text.append_int(static_cast<long long>(entry.position - sat.sat_begin) + 1);
    text.append(',');
    text.append(entry.kind);
    text.append("),");
  }
  text.append('\n');
}

}  // namespace

void EntryWriter::write(const Csat& sat, const CSequence_Mol& seq) {
  if (!unit_texts_.make(sat, unit_)) return;
  if (options_.format == 2) {
    append_sputnik_line(text_, sat, seq, unit_, options_.N_perfection_mode);
  } else if (options_.format == 0) {
    append_velkor_line(text_, sat, seq, unit_, options_.N_perfection_mode);
  } else {
    append_extended_lines(text_, sat, seq, unit_, options_);
  }
  if (options_.sequence_lines == 1) {
    append_residue_line(text_, out_, sat, seq, options_);
  } else if (options_.sequence_lines == 2) {
    append_alignment_lines(text_, out_, sat, seq, options_);
  }
  if (text_.size() >= GATHERED) finish();
}

void EntryWriter::finish() {
  text_.write_to(out_);
  text_.clear();
}

// Entries are not flushed one by one, which cost a system call each: the
// stream is flushed once the block is done, and a report cut short by a
// crash lacks its closing lines however much of it was flushed.
void ReportBlock::write_head_once() {
  if (head_written_) return;
  head_written_ = true;
  std::fprintf(out_, ">%s\nsequence length: %u\n", seq_.name.c_str(), seq_.length);
}

void ReportBlock::finish() {
  write_head_once();
  entries_.finish();
  std::fprintf(out_, "# Analysis of sequence \"%s\" completed.\n", seq_.name.c_str());
  std::fflush(out_);
}
