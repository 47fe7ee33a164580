#ifndef VELKOR_SEARCH_EXACT_EXACT_GROUP_SCAN_H
#define VELKOR_SEARCH_EXACT_EXACT_GROUP_SCAN_H

#include <cstddef>

#include "search/exact/N_locator.h"

// The starts of one unit length k come in groups. Write e(x) for: s[x] equals
// s[x + k] and is no N. A group begins at the sequence start or after an x
// where e(x) fails (a break), and holds the starts up to and including the
// next break. A unit copy at any start of the group grows without error
// exactly over the group's periodic stretch, from its first start to k past
// its last, and stops there unless an N run at one of the two edges is
// bridged.
//
// Most groups are too short to pass the thresholds, and have no N at an edge
// that could make them longer: the exact search need not judge them at all.
// This scan finds the next group that it must judge.
class ExactGroupScan {
 public:
  // equal_needed: how many times in a row e(x) must hold from a group's start
  // for the group to be long enough (0 or less: every group is).
  // Ns_bridged: whether N runs may be bridged, so that a group with an N
  // next to it must be judged whatever its length.
  // Ns: the N's of the sequence from seq_begin to seq_end.
  ExactGroupScan(unsigned k, std::ptrdiff_t equal_needed, bool Ns_bridged, const NLocator& Ns,
                 const char* seq_begin, const char* seq_end);

  // From the group that starts at g, the first group that is long enough or
  // has an N next to it; seq_end - k, one past the last start, when there
  // is none. g must be a group start.
  const char* next_group_to_judge(const char* g);
  // Only the groups that start before `to` are asked for (a part of a
  // record): the scan then stops where any of them would have been found,
  // and gives a position from `to` on when none is left.
  void judge_groups_starting_before(const char* to);
  // The same, one position at a time: what the fast scan must agree with.
  const char* next_group_to_judge_plainly(const char* g) const;

  // The last start of the group that starts at g: its first break, or
  // seq_end - k when the group reaches the end of the starts.
  const char* last_start(const char* g) const;
  const char* last_start_plainly(const char* g) const;

 private:
  // Judges position x, where run counts the positions of x's group before
  // x: the group start to return, or nullptr to go on.
  const char* judge(const char* x, std::ptrdiff_t& run) const;
  bool periodic(const char* x) const { return x[0] == x[k_] && x[0] != 'N'; }
  // Is there an N from from to to, both included?
  bool N_within(const char* from, const char* to);
  // Windows this long are passed over faster by probing their last position
  // than by looking at every position.
  static constexpr std::ptrdiff_t probing_window = 16;
  const char* probe_windows(const char* g, bool& found);

  std::ptrdiff_t k_;
  std::ptrdiff_t equal_needed_;
  bool Ns_bridged_;
  const NLocator& Ns_;
  const char* seq_begin_;
  const char* seq_end_;
  const char* starts_end_;  // one residue must follow a unit copy
  const char* judged_end_;  // the scans for groups to judge look at positions before it
  unsigned char window_shifts_[6] = {};
  unsigned window_shift_count_;  // the steps that a window takes: the rest would change nothing
  // The first N from N_looked_from_ on, kept from call to call of the fast
  // scan, which looks at N's only where there are some.
  const char* N_looked_from_;
  const char* next_N_;
  // The last group that the fast scan found, with its last start when the
  // scan saw it: the search asks for it next.
  const char* known_group_ = nullptr;
  const char* known_last_start_ = nullptr;
};

#endif
