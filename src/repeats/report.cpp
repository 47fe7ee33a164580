#include <cstdio>
#include <cstring>

#include "config/parameters.h"
#include "driver/CSequence_Mol.h"
#include "repeats/CDnaString.h"
#include "repeats/Csat.h"
#include "repeats/alignment_lines.h"
#include "repeats/entry_columns.h"
#include "repeats/text_buffer.h"
#include "repeats/unit_text.h"
#include "search/CSearchController.h"

namespace {

void append_sputnik_line(TextBuffer& text, const Csat& sat, const CSequence_Mol& seq, const CDnaString& unit) {
  const char* name = sat.get_repeat_name();
  text.append(name, std::strlen(name));
  text.append(' ');
  text.append_int(sat.start_position(seq.residues));
  text.append(" : ");
  text.append_int(sat.end_position(seq.residues));
  text.append(" -- length ");
  text.append_int(sat.normalised_length());
  text.append(" score ");
  text.append_int(sat.score);
  text.append(" perfection ");
  text.append_int(static_cast<int>(sat.perfection() + 0.5));
  text.append(" unit ");
  text.append(unit.data, unit.length);
  text.append('\n');
}

void append_velkor_line(TextBuffer& text, const Csat& sat, const CSequence_Mol& seq, const CDnaString& unit) {
  append_common_columns(text, sat, seq);
  text.append("unit ");
  text.append(unit.data, unit.length);
  text.append('\n');
}

void append_extended_lines(TextBuffer& text, const Csat& sat, const CSequence_Mol& seq, const CDnaString& unit) {
  append_common_columns(text, sat, seq);
  append_error_counts(text, sat);
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

// Kept for the whole run rather than for one block: a block may be one short
// record among millions, and the texts stay the same from block to block.
UnitTextCache& unit_texts() {
  static UnitTextCache cache;
  return cache;
}

// Writes the entries of one report block. Entries are gathered and written
// some ten thousand at a time: one fwrite each cost as much as formatting
// them. The buffers are kept from entry to entry, so a block allocates only
// while they grow to its longest entry; residue and alignment lines longer
// than their window are passed on while they are written, so they do not
// count.
class EntryWriter {
 public:
  explicit EntryWriter(FILE* out) : out_(out) {}

  void write(const Csat& sat, const CSequence_Mol& seq) {
    if (!unit_texts().make(sat, unit_)) return;
    if (global_print_sat_mode == 2) {
      append_sputnik_line(text_, sat, seq, unit_);
    } else if (global_print_sat_mode == 0) {
      append_velkor_line(text_, sat, seq, unit_);
    } else {
      append_extended_lines(text_, sat, seq, unit_);
    }
    if (global_print_sat_seq_mode == 1) {
      AlignmentLines::append_residues(text_, out_, sat, seq);
    } else if (global_print_sat_seq_mode == 2) {
      AlignmentLines::append(text_, out_, sat, seq);
    }
    if (text_.size() >= GATHERED) finish();
  }

  // Writes what is gathered; call before anything else goes to the stream.
  void finish() {
    text_.write_to(out_);
    text_.clear();
  }

 private:
  static constexpr std::size_t GATHERED = 1 << 16;
  FILE* out_;
  CDnaString unit_;
  TextBuffer text_;
};

}  // namespace

void Csat::report_sat(FILE* out, CSequence_Mol& seq) {
  EntryWriter writer(out);
  writer.write(*this, seq);
  writer.finish();
}

// Entries are not flushed one by one, which cost a system call each: the
// block is written in one go after the search, so a reader of the stream gets
// it at the same moment either way, and a report cut short by a crash lacks
// its closing lines however much of it was flushed.
void CSearchController::report_SATList(FILE* out, const SatList& sats) {
  std::fprintf(out, ">%s\nsequence length: %u\n", sequence.name.c_str(), sequence.length);
  EntryWriter writer(out);
  // The records lie all over memory, in the order they were found rather
  // than in list order, and waiting for each one cost more than writing its
  // entry: the next few are fetched while this one is written.
  constexpr int RECORDS_AHEAD = 8;
  auto ahead = sats.begin();
  for (int i = 0; i < RECORDS_AHEAD && ahead != sats.end(); ++i) ++ahead;
  for (const Csat* sat : sats) {
    if (ahead != sats.end()) {
      __builtin_prefetch(*ahead);
      __builtin_prefetch(reinterpret_cast<const char*>(*ahead) + sizeof(Csat) - 1);
      ++ahead;
    }
    writer.write(*sat, sequence);
  }
  writer.finish();
  std::fprintf(out, "# Analysis of sequence \"%s\" completed.\n", sequence.name.c_str());
  std::fflush(out);
}
