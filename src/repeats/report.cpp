#include <algorithm>
#include <cstdio>
#include <cstring>

#include "config/parameters.h"
#include "driver/CSequence_Mol.h"
#include "repeats/CDnaString.h"
#include "repeats/Csat.h"
#include "repeats/entry_columns.h"
#include "repeats/text_buffer.h"
#include "repeats/unit_text.h"
#include "search/CSearchController.h"

namespace {

std::size_t distance(const char* begin, const char* end) { return static_cast<std::size_t>(end - begin); }

// The flanks are clamped to the residues that exist, so a huge --flanking
// neither reads outside the sequence nor overflows the buffer sizes.
struct Flanks {
  const char* left_begin;
  const char* right_end;
};

Flanks flanks_of(const Csat& sat, const CSequence_Mol& seq) {
  const std::size_t wanted = global_flanking > 0 ? static_cast<std::size_t>(global_flanking) : 0;
  const std::size_t left_available = distance(seq.residues, sat.sat_begin);
  const std::size_t right_available = distance(sat.sat_end, seq.residues + seq.length);
  return {sat.sat_begin - std::min(wanted, left_available), sat.sat_end + std::min(wanted, right_available)};
}

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

void append_residues(TextBuffer& text, const Csat& sat, const CSequence_Mol& seq) {
  if (global_flanking > 0) {
    const Flanks flanks = flanks_of(sat, seq);
    text.append(flanks.left_begin, distance(flanks.left_begin, sat.sat_begin));
    text.append(':');
    text.append(sat.sat_begin, sat.length());
    text.append(':');
    text.append(sat.sat_end, distance(sat.sat_end, flanks.right_end));
  } else {
    text.append(sat.sat_begin, sat.length());
  }
  text.append('\n');
}

// The end of the missense entries that the alignment applies. The walk along
// the repeat meets entries only in list order, so the first one it cannot
// meet (behind the walk, or not before the end of the repeat) holds back
// every later one. Counts the deletions among the applied entries, each of
// which adds a column.
const missense_entry* applied_entries_end(const Csat& sat, std::size_t* deletions) {
  const char* q = sat.sat_begin;
  *deletions = 0;
  const missense_entry* entry = sat.missense.begin();
  for (; entry != sat.missense.end(); ++entry) {
    if (entry->position < q || entry->position >= sat.sat_end) break;
    if (entry->kind == 'M' || entry->kind == 'I') {
      q = entry->position + 1;
    } else {
      q = entry->position;
      ++*deletions;
    }
  }
  return entry;
}

// Fills the n characters at out with the unit repeated endlessly, beginning
// at unit character phase. Whole copies are doubled from what is already
// written, so a long run costs a few copies instead of one per column.
void fill_with_unit(char* out, std::size_t n, const char* unit, std::size_t unit_length, std::size_t phase) {
  const std::size_t first = std::min(n, unit_length - phase);
  std::memcpy(out, unit + phase, first);
  std::size_t done = first;
  while (done < n) {
    // out[first, done) is a whole number of unit copies (or none yet).
    const std::size_t copies = done - first;
    const std::size_t chunk = std::min(n - done, copies == 0 ? unit_length : copies);
    std::memcpy(out + done, copies == 0 ? unit : out + first, chunk);
    done += chunk;
  }
}

// The three lines of the alignment with the ideal repeat, filled column by
// run of columns: between two applied entries every column is plain.
class Alignment {
 public:
  Alignment(char* sequence_line, char* match_line, char* unit_line, const Csat& sat)
      : sequence_(sequence_line),
        match_(match_line),
        unit_line_(unit_line),
        unit_(sat.unit_begin),
        unit_length_(sat.unit_length()),
        phase_(distance(sat.unit_begin, sat.unit_pos_backward) + 1) {
    if (phase_ == unit_length_) phase_ = 0;
  }

  // Residues shown beside the repeat, or a colon, with nothing below them.
  void add_aside(const char* residues, std::size_t n) {
    std::memcpy(sequence_ + column_, residues, n);
    std::memset(match_ + column_, ' ', n);
    std::memset(unit_line_ + column_, ' ', n);
    column_ += n;
  }

  // Residues aligned with the unit without error; an N, which the search
  // tolerated, is marked apart from a match.
  void add_plain(const char* residues, std::size_t n) {
    std::memcpy(sequence_ + column_, residues, n);
    char* match = match_ + column_;
    std::memset(match, '|', n);
    for (const char* N = static_cast<const char*>(std::memchr(residues, 'N', n)); N != nullptr;
         N = static_cast<const char*>(std::memchr(N + 1, 'N', distance(N + 1, residues + n)))) {
      match[N - residues] = '*';
    }
    fill_with_unit(unit_line_ + column_, n, unit_, unit_length_, phase_);
    phase_ = (phase_ + n) % unit_length_;
    column_ += n;
  }

  void add_error(char residue, char unit_character) {
    sequence_[column_] = residue;
    match_[column_] = ' ';
    unit_line_[column_] = unit_character;
    ++column_;
  }

  void add_mismatch(char residue) { add_error(residue, next_unit_character()); }
  void add_insertion(char residue) { add_error(residue, '-'); }
  void add_deletion() { add_error('-', next_unit_character()); }

 private:
  char next_unit_character() {
    const char c = unit_[phase_];
    if (++phase_ == unit_length_) phase_ = 0;
    return c;
  }

  char* sequence_;
  char* match_;
  char* unit_line_;
  const char* unit_;
  std::size_t unit_length_;
  std::size_t phase_;  // index in the unit of the next unit character
  std::size_t column_ = 0;
};

void append_alignment(TextBuffer& text, const Csat& sat, const CSequence_Mol& seq) {
  const bool with_flanks = global_flanking > 0;
  const Flanks flanks = with_flanks ? flanks_of(sat, seq) : Flanks{sat.sat_begin, sat.sat_end};
  const std::size_t left = distance(flanks.left_begin, sat.sat_begin);
  const std::size_t right = distance(sat.sat_end, flanks.right_end);
  std::size_t deletions;
  const missense_entry* const applied_end = applied_entries_end(sat, &deletions);

  const std::size_t columns = (with_flanks ? left + right + 2 : 0) + sat.length() + deletions;
  const std::size_t line = columns + 1;
  char* const lines = text.extend(3 * line);
  Alignment alignment(lines, lines + line, lines + 2 * line, sat);

  if (with_flanks) {
    alignment.add_aside(flanks.left_begin, left);
    alignment.add_aside(":", 1);
  }
  const char* q = sat.sat_begin;
  for (const missense_entry* entry = sat.missense.begin(); entry != applied_end; ++entry) {
    alignment.add_plain(q, distance(q, entry->position));
    q = entry->position;
    switch (entry->kind) {
      case 'M':
        alignment.add_mismatch(*q++);
        break;
      case 'I':
        alignment.add_insertion(*q++);
        break;
      default:  // 'D': the unit character has no residue
        alignment.add_deletion();
        break;
    }
  }
  alignment.add_plain(q, distance(q, sat.sat_end));
  if (with_flanks) {
    alignment.add_aside(":", 1);
    alignment.add_aside(sat.sat_end, right);
  }
  lines[columns] = lines[line + columns] = lines[2 * line + columns] = '\n';
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
// while they grow to its longest entry.
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
      append_residues(text_, sat, seq);
    } else if (global_print_sat_seq_mode == 2) {
      append_alignment(text_, sat, seq);
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
void CSearchController::report_SATList(FILE* out, const std::list<Csat*>& sats) {
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
