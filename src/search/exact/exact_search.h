#ifndef VELKOR_SEARCH_EXACT_EXACT_SEARCH_H
#define VELKOR_SEARCH_EXACT_EXACT_SEARCH_H

#include <cstddef>

#include "repeats/Csat.h"
#include "search/exact/exact_repeat_taker.h"
#include "search/record_search.h"
#include "search/thresholds.h"

struct FoundRepeats;

// Search mode exact over one record (the rule is stated in exact_search.cpp).
class ExactSearch {
 public:
  explicit ExactSearch(const RecordSearch& record) : record_(record) { record_.cover_unit_lengths(); }

  // The records handed to sink as they are made, sorted by lessThan_sat.
  void search(const Thresholds& thresholds, RecordSink& sink);
  // Each repeat kept under thresholds handed to taker the moment it is
  // found. Repeats that also pass the user's thresholds cover their residues
  // for longer units, whatever thresholds are in force.
  void search(const Thresholds& thresholds, ExactRepeatTaker& taker);
  // The same for the starts from `from` to before `to` only. Gives up, and
  // returns false, where a stretch that repeats itself holds `from` and
  // begins more than reach_back residues before it (the residues before
  // the sequence count as none).
  bool search_starts(const Thresholds& thresholds, ExactRepeatTaker& taker, const char* from, const char* to,
                     std::size_t reach_back);

 private:
  // A long record in parts, its repeats handed to taker in the order of the
  // whole search (the argument is stated in exact_search_in_parts.cpp).
  void search_in_parts(const Thresholds& thresholds, FoundRepeats& taker);

  const RecordSearch record_;
};

#endif
