#include <algorithm>
#include <cstdio>

#include "config/parameters.h"
#include "driver/CSequence_Mol.h"
#include "repeats/CDnaString.h"
#include "repeats/Csat.h"
#include "repeats/unit_text.h"
#include "search/CSearchController.h"

namespace {

const char* const REPEAT_NAMES[7] = {
    "***  ERROR  ***", "mononucleotide",  "dinucleotide",   "trinucleotide",
    "tetranucleotide", "pentanucleotide", "hexanucleotide",
};

// Residues are written with fwrite rather than "%.*s": the precision of a
// conversion is an int, a repeat or flank of a long sequence need not be.
void write_residues(FILE* out, const char* begin, const char* end) {
  std::fwrite(begin, 1, static_cast<std::size_t>(end - begin), out);
}

void write_line(FILE* out, const faststring& line) {
  std::fwrite(line.data, 1, line.length, out);
  std::fputc('\n', out);
}

// The flanks are clamped to the residues that exist, so a huge --flanking
// neither reads outside the sequence nor overflows the buffer sizes.
struct Flanks {
  const char* left_begin;
  const char* right_end;
};

Flanks flanks_of(const Csat& sat, const CSequence_Mol& seq) {
  const std::size_t wanted = global_flanking > 0 ? static_cast<std::size_t>(global_flanking) : 0;
  const char* seq_end = seq.residues + seq.length;
  const std::size_t left_available = static_cast<std::size_t>(sat.sat_begin - seq.residues);
  const std::size_t right_available = static_cast<std::size_t>(seq_end - sat.sat_end);
  return {sat.sat_begin - (wanted < left_available ? wanted : left_available),
          sat.sat_end + (wanted < right_available ? wanted : right_available)};
}

void print_sequence(FILE* out, const Csat& sat, const CSequence_Mol& seq) {
  if (global_flanking <= 0) {
    write_residues(out, sat.sat_begin, sat.sat_end);
    std::fputc('\n', out);
    return;
  }
  const Flanks flanks = flanks_of(sat, seq);
  write_residues(out, flanks.left_begin, sat.sat_begin);
  std::fputc(':', out);
  write_residues(out, sat.sat_begin, sat.sat_end);
  std::fputc(':', out);
  write_residues(out, sat.sat_end, flanks.right_end);
  std::fputc('\n', out);
}

// The three lines of the alignment with the ideal repeat, one column at a time.
struct AlignmentLines {
  faststring sequence;
  faststring match;
  faststring unit;

  void reserve(std::size_t n) {
    sequence.reserve(n);
    match.reserve(n);
    unit.reserve(n);
  }
  void add(char s, char m, char u) {
    sequence.push_back(s);
    match.push_back(m);
    unit.push_back(u);
  }
  void add_flank(const char* begin, const char* end) {
    for (const char* p = begin; p != end; ++p) add(*p, ' ', ' ');
  }
};

void print_alignment(FILE* out, const Csat& sat, const CSequence_Mol& seq) {
  const bool with_flanks = global_flanking > 0;
  const Flanks flanks = flanks_of(sat, seq);
  AlignmentLines lines;
  lines.reserve(std::size_t{sat.length()} + static_cast<std::size_t>(std::max(sat.insertions, 0)) +
                static_cast<std::size_t>(std::max(sat.deletions, 0)) +
                static_cast<std::size_t>(sat.sat_begin - flanks.left_begin) +
                static_cast<std::size_t>(flanks.right_end - sat.sat_end) + 3);

  if (with_flanks) {
    lines.add_flank(flanks.left_begin, sat.sat_begin);
    lines.add(':', ' ', ' ');
  }

  auto advance = [&sat](const char*& u) {
    if (++u == sat.unit_end) u = sat.unit_begin;
  };
  const char* u = sat.unit_pos_backward;
  advance(u);
  const missense_entry* next = sat.missense.begin();
  const missense_entry* const last = sat.missense.end();
  const char* q = sat.sat_begin;
  // Entries are applied only where the walk meets them; the sort order puts
  // every deletion at a residue before the mismatch or insertion there.
  while (q != sat.sat_end) {
    if (next != last && next->position == q) {
      switch (next->kind) {
        case 'M':
          lines.add(*q++, ' ', *u);
          advance(u);
          break;
        case 'I':
          lines.add(*q++, ' ', '-');
          break;
        default:  // 'D': the unit character has no residue
          lines.add('-', ' ', *u);
          advance(u);
          break;
      }
      ++next;
    } else {
      lines.add(*q, *q == 'N' ? '*' : '|', *u);
      ++q;
      advance(u);
    }
  }

  if (with_flanks) {
    lines.add(':', ' ', ' ');
    lines.add_flank(sat.sat_end, flanks.right_end);
  }
  write_line(out, lines.sequence);
  write_line(out, lines.match);
  write_line(out, lines.unit);
}

}  // namespace

const char* Csat::get_repeat_name() const {
  static char name[30];
  const unsigned L = unit_length();
  if (L < 7) return REPEAT_NAMES[L];
  std::snprintf(name, sizeof name, "%u-nucleotide", L);
  return name;
}

void Csat::report_sat(FILE* out, CSequence_Mol& seq) {
  CDnaString unit_text;
  if (!make_unit_text(*this, unit_text)) return;
  const char* unit = unit_text.c_str();
  const unsigned L = unit_length();
  const unsigned start = start_position(seq.residues);
  const unsigned end = end_position(seq.residues);
  const double percent = perfection();

  if (global_print_sat_mode == 2) {
    std::fprintf(out, "%s %u : %u -- length %d score %d perfection %d unit %s\n", get_repeat_name(), start, end,
                 normalised_length(), score, static_cast<int>(percent + 0.5), unit);
    std::fflush(out);
  } else {
    if (L < 7) {
      std::fprintf(out, "%16s", REPEAT_NAMES[L]);
    } else {
      std::fprintf(out, "%5u-nucleotide", L);
    }
    if (global_print_sat_mode == 0) {
      std::fprintf(out, " %9u : %9u | %6u bp | %6d BP | %6d pt | %7.3f %% | unit %s\n", start, end, length(),
                   normalised_length(), score, percent, unit);
    } else {
      std::fprintf(out, " %9u : %9u | %6u bp | %6d BP | %6d pt | %7.3f %% | %3d mis | %3d ins | %3d del | ", start,
                   end, length(), normalised_length(), score, percent, mismatches, insertions, deletions);
      if (!global_treat_Ns_as_missense) std::fprintf(out, "%3d N | ", Ns);
      std::fprintf(out, " unit %s\n", unit);
      std::fputs("Missense: ", out);
      for (const missense_entry& entry : missense)
        std::fprintf(out, "(%lld,%c),", static_cast<long long>(entry.position - sat_begin) + 1, entry.kind);
      std::fputc('\n', out);
    }
  }

  if (global_print_sat_seq_mode == 1) {
    print_sequence(out, *this, seq);
  } else if (global_print_sat_seq_mode == 2) {
    print_alignment(out, *this, seq);
  }
}

void CSearchController::report_SATList(FILE* out, const std::list<Csat*>& sats) {
  std::fprintf(out, ">%s\nsequence length: %u\n", sequence.name.c_str(), sequence.length);
  for (Csat* sat : sats) sat->report_sat(out, sequence);
  std::fprintf(out, "# Analysis of sequence \"%s\" completed.\n", sequence.name.c_str());
  std::fflush(out);
}
