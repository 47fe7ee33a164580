// What every part of the extension alignment shares: the two directions a
// walk goes in, the errors it takes, and the best state it keeps.
// Included only by the extension's own source files. What it defines keeps
// internal linkage, so that the compiler inlines it into the walks just as
// it would within one file.
#ifndef VELKOR_SEARCH_EXTENSION_EXTENSION_WALK_H
#define VELKOR_SEARCH_EXTENSION_EXTENSION_WALK_H

#include <algorithm>
#include <cstdint>

#include "repeats/Csat.h"
#include "search/extension/walk_rules.h"

namespace {

enum class RunEnd { sequence_limit, long_N_run, error_point };
enum class Operation : std::uint8_t { none, mismatch, insertion, deletion };

// How the right-hand and the left-hand walk see the sequence: the next
// residue, one step outward, one cyclic step along the unit, and the end of
// the residues that may be read.
struct Forward {
  static constexpr bool forward = true;
  static const char* next_residue(const char* pos) { return pos; }
  static const char* step(const char* pos) { return pos + 1; }
  static const char* unit_step(const char* u, const char* unit_begin, const char* unit_end) {
    return u + 1 == unit_end ? unit_begin : u + 1;
  }
  static bool at_limit(const char* pos, const char* limit) { return pos == limit; }
  static long long residues_left(const char* pos, const char* limit) { return limit - pos; }
  static const char* farther(const char* a, const char* b) { return a > b ? a : b; }
  static constexpr bool tells_reach = false;
  static const char*& edge(Csat& sat) { return sat.sat_end; }
  static const char*& unit_pos(Csat& sat) { return sat.unit_pos_forward; }
};

struct Backward {
  static constexpr bool forward = false;
  static const char* next_residue(const char* pos) { return pos - 1; }
  static const char* step(const char* pos) { return pos - 1; }
  static const char* unit_step(const char* u, const char* unit_begin, const char* unit_end) {
    return u == unit_begin ? unit_end - 1 : u - 1;
  }
  static bool at_limit(const char* pos, const char* limit) { return pos - 1 == limit; }
  static long long residues_left(const char* pos, const char* limit) { return pos - 1 - limit; }
  static const char* farther(const char* a, const char* b) { return a < b ? a : b; }
  static constexpr bool tells_reach = false;
  static const char*& edge(Csat& sat) { return sat.sat_begin; }
  static const char*& unit_pos(Csat& sat) { return sat.unit_pos_backward; }
};

// A walk direction whose look-ahead notes how far ahead its nodes read the
// unit: for units longer than the look-ahead is deep, which a decision may
// read only in part.
template <class Dir>
struct TellingReach : Dir {
  static constexpr bool tells_reach = true;
};

// The best state a walk has passed through. A walk only ever appends
// missense entries, so the saved entries are always a prefix of the record's
// own: their number is all that needs saving, and taking or restoring a state
// copies a few fields instead of a whole record: states are taken at every
// error point where the score improves.
struct SavedState {
  const char* edge;
  const char* unit_pos;
  int score, mismatches, insertions, deletions, Ns;
  unsigned missense_count;

  template <class Dir>
  void take(Csat& sat) {
    edge = Dir::edge(sat);
    unit_pos = Dir::unit_pos(sat);
    score = sat.score;
    mismatches = sat.mismatches;
    insertions = sat.insertions;
    deletions = sat.deletions;
    Ns = sat.Ns;
    missense_count = sat.missense.count;
  }

  template <class Dir>
  void restore(Csat& sat) const {
    Dir::edge(sat) = edge;
    Dir::unit_pos(sat) = unit_pos;
    sat.score = score;
    sat.mismatches = mismatches;
    sat.insertions = insertions;
    sat.deletions = deletions;
    sat.Ns = Ns;
    sat.missense.count = missense_count;
  }
};

// Inlined into the walk, which calls it at every error it takes.
// Errors beyond the first errors_listed of a record are counted but not listed.
template <class Dir>
inline void apply_operation(const WalkRules& rules, Csat& sat, Operation op, unsigned errors_listed) {
  const char*& edge = Dir::edge(sat);
  const char*& unit_pos = Dir::unit_pos(sat);
  const bool listed = sat.missense.count < errors_listed;
  switch (op) {
    case Operation::mismatch:
      sat.score += rules.mismatch_score;
      ++sat.mismatches;
      if (listed) sat.missense.push_back({Dir::next_residue(edge), 'M'});
      edge = Dir::step(edge);
      unit_pos = Dir::unit_step(unit_pos, sat.unit_begin, sat.unit_end);
      break;
    case Operation::insertion:
      sat.score += rules.indel_score;
      ++sat.insertions;
      if (listed) sat.missense.push_back({Dir::next_residue(edge), 'I'});
      edge = Dir::step(edge);
      break;
    case Operation::deletion:
      sat.score += rules.indel_score;
      ++sat.deletions;
      if (listed) sat.missense.push_back({edge, 'D'});
      unit_pos = Dir::unit_step(unit_pos, sat.unit_begin, sat.unit_end);
      break;
    case Operation::none:
      break;
  }
}

}  // namespace

#endif
