// A plain reference of the extension alignment and of the direct imperfect
// search, written from their rules alone: every position tried as the start
// of every unit length, every walk deciding each error with the full
// look-ahead. Slow; meant for short sequences.
#ifndef VELKOR_TESTS_REFERENCE_SEARCH_H
#define VELKOR_TESTS_REFERENCE_SEARCH_H

#include <string>
#include <utility>
#include <vector>

#include "search/search_options.h"

namespace reference {

// A repeat as offsets into the residues: its extent [begin, end), its unit
// [unit_begin, unit_begin + unit_length), the unit phases expected at end
// and at begin - 1, and its alignment.
struct Record {
  long begin = 0, end = 0, unit_begin = 0, unit_length = 0;
  long phase_forward = 0, phase_backward = 0;
  long long score = 0;
  int mismatches = 0, insertions = 0, deletions = 0, Ns = 0;
  std::vector<std::pair<long, char>> missense;  // (position, kind) as the walks list them
};

Record copy_at(long p, long k);

// Grows the record to the right, then to the left, and trims flanking N's;
// reads the global parameters.
void grow(const SearchOptions& options, const std::string& residues, Record& record);

// Grows the record by matches and tolerated N runs alone, to the right and
// to the left, and trims flanking N's, as the exact search grows its copies.
void grow_without_errors(const SearchOptions& options, const std::string& residues, Record& record);

// The look-ahead value of a node to the right (forward) or to the left, as
// the extension's look-ahead entry points take it: pos the walk's edge, phase
// the unit phase expected next.
long long look_ahead(const SearchOptions& options, const std::string& residues, const Record& unit, bool forward,
                     long pos, long phase, long long score, int depth, long long best_score);

// The records of the direct imperfect search under the global parameters,
// sorted as the search leaves them, each with its errors in order.
std::vector<Record> imperfect_search(const SearchOptions& options, const std::string& residues);

// "[begin,end) unit score mis/ins/del/N (pos,kind)... @unit_begin", as the
// tests describe production records.
std::string describe(const Record& record, const std::string& residues, bool with_errors = true);

}  // namespace reference

#endif
