#ifndef VELKOR_SEARCH_SHORTCUT_COUNTS_H
#define VELKOR_SEARCH_SHORTCUT_COUNTS_H

#include <mutex>

// How often each shortcut of the search fired, in the searches that were
// given the worker state holding the counts: the tests show with them that
// their cases reach every shortcut. Each is counted only where its shortcut
// fires, so the count costs a fraction of the work the shortcut saves.
struct ShortcutCounts {
  long long runs_too_weak_without_error = 0;     // error_free_run.cpp
  long long runs_too_weak_with_one_error = 0;    // one_error_test.cpp
  long long walks_ended_after_one_error = 0;     // one_error_at_most.h
  long long walks_ended_unable_to_regain = 0;    // regain_best.h
  long long walks_ended_out_of_alignment_reach = 0;  // regain_by_alignment.h
  long long unit_texts_written = 0;              // greedy_run.h
  long long look_ahead_nodes_left_out = 0;       // repeated_nodes.h
  long long look_ahead_nodes_dominated = 0;      // completed_nodes.h
  long long trails_followed = 0;                 // follow_trail.h
  long long paths_taken_at_once = 0;             // follow_trail.h
  long long forward_walks_starts_may_share = 0;  // starts_sharing_a_walk.h: walks that chose errors
  long long starts_settled_by_score_bound = 0;     // score_bound.cpp
  long long starts_settled_by_alignment_bound = 0; // alignment_bound.cpp: units of 20 and more
  long long records_in_parts = 0;                  // imperfect_search_in_parts.cpp
  long long parts_searched_again = 0;              // record_parts.h: together with a neighbour

  // Adds the counts of a search made beside this one (a part of a record).
  ShortcutCounts& operator+=(const ShortcutCounts& other);
};

// The counts of the parts of one record, searched perhaps on several
// threads at once, each with a worker state of its own.
class CountsOfParts {
 public:
  void add(const ShortcutCounts& part) {
    std::lock_guard<std::mutex> lock(mutex_);
    sum_ += part;
  }
  // Once every part is done.
  const ShortcutCounts& sum() const { return sum_; }

 private:
  std::mutex mutex_;
  ShortcutCounts sum_;
};

#endif
