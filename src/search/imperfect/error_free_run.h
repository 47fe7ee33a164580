#ifndef VELKOR_SEARCH_IMPERFECT_ERROR_FREE_RUN_H
#define VELKOR_SEARCH_IMPERFECT_ERROR_FREE_RUN_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "search/extension/walk_rules.h"
#include "search/imperfect/starts_to_try.h"
#include "search/shortcut_counts.h"

// Does a candidate settle as too weak from its error-free run alone? The
// rule, and why it holds, is stated in error_free_run.cpp.
class ErrorFreeRunTest {
 public:
  // For unit length k under the walks' rules, whose counts it adds to once
  // done, and the minimum score of k.
  ErrorFreeRunTest(const WalkRules& rules, int min_score, unsigned k);
  ~ErrorFreeRunTest() { counts_.runs_too_weak_without_error += settled_; }
  ErrorFreeRunTest(const ErrorFreeRunTest&) = delete;
  ErrorFreeRunTest& operator=(const ErrorFreeRunTest&) = delete;

  // The starts that this test cannot settle: most starts lie in no periodic
  // stretch long enough.
  ConcernedStarts starts_to_try() const;

  // [run_begin, run_end) is the error-free run around a unit copy of length k.
  bool fails(const char* run_begin, const char* run_end, const char* seq_begin, const char* seq_end) const {
    if (run_end - run_begin > longest_failing_run_) return false;
    // A tolerated N at either end would be taken by the greedy run.
    if (Ns_tolerated_ &&
        ((run_end != seq_end && *run_end == 'N') || (run_begin != seq_begin && run_begin[-1] == 'N')))
      return false;
    ++settled_;
    return true;
  }

 private:
  long long k_;
  long long longest_failing_run_;
  bool Ns_tolerated_;
  ShortcutCounts& counts_;
  // Counted here, where the count costs the sweep nothing measurable.
  mutable long long settled_ = 0;
};

// Does a candidate that passed the test above settle as too weak because it
// can try at most one error in each direction? The rule, and why it holds,
// is stated in one_error_at_most.h and one_error_test.cpp.
class OneErrorTest {
 public:
  // The same arguments as above, and the record [seq_begin, seq_end).
  OneErrorTest(const WalkRules& rules, int min_score, unsigned k, const char* seq_begin, const char* seq_end);
  ~OneErrorTest() { rules_.counts->runs_too_weak_with_one_error += settled_; }
  OneErrorTest(const OneErrorTest&) = delete;
  OneErrorTest& operator=(const OneErrorTest&) = delete;

  // [run_begin, run_end) is the error-free run around a unit copy of
  // length k; true when every start sharing it settles.
  bool fails(const char* run_begin, const char* run_end) const;
  // The same, counting each match behind an error one by one: what the
  // comparisons of sixteen at a time must agree with.
  bool fails_plainly(const char* run_begin, const char* run_end) const;

  // Starts that this test may leave unsettled: all but those far from every
  // N and every stretch that an unsettled run needs.
  ConcernedStarts starts_to_try() const;

  // The bits of a path's first k residues, and of its k-th (none beyond
  // sixteen), as the comparisons of sixteen at a time lay out a path in one
  // direction: they depend on k alone.
  struct PathBits {
    std::uint32_t first_k = 0, unit_start = 0;
  };

 private:
  template <bool by_masks>
  bool fails_by(const char* run_begin, const char* run_end) const;
  template <class Dir, bool by_masks>
  bool second_error_possible(const char* run_edge, long long score) const;
  // The matches behind an error of the given penalty that let a second one
  // be tried, after a run of the given score; -1 where the error itself is
  // never tried.
  long long matches_needed(long long score, long long penalty) const;

  // By a run's score, the bits of a path behind a mismatch and behind an
  // indel that must all be set for a second error to be tried, by direction
  // (forward first), as the comparisons of sixteen at a time lay out a path:
  // a mask and a comparison instead of counting each path's matches in a
  // row. Only where no path needs more than sixteen matches.
  struct SecondErrorBits {
    std::uint32_t mismatch[2], indel[2];
    bool usable;
  };
  std::vector<SecondErrorBits> second_error_bits_;

  const WalkRules& rules_;
  mutable long long settled_ = 0;  // added to the counts once done, as above
  long long k_;
  long long larger_penalty_;
  long long min_score_;
  bool usable_;  // only negative penalties make the rule hold
  bool Ns_tolerated_;
  const char* seq_begin_;
  const char* seq_end_;
  PathBits forward_bits_, backward_bits_;
  long long stretch_needed_ = 0;  // 0: the error-free run test passes over as many
  long long stretch_reach_back_ = 0, stretch_lead_ = 0, N_reach_back_ = 0, N_lead_ = 0;
};

#endif
