/*
 * Quick rejection: since T >= -L, a walk whose score plus the larger penalty
 * never rises above -L tries no error at all, and its record is just the
 * error-free run around the first copy. Most candidates of a search are of
 * that kind and too weak, and are settled by counting that run alone.
 */
#include <algorithm>

#include "search/imperfect/error_free_run.h"

ErrorFreeRunTest::ErrorFreeRunTest(const WalkRules& rules, int min_score, unsigned k)
    : k_(k), Ns_tolerated_(rules.Ns_tolerated), counts_(*rules.counts) {
  // The run scores its length minus the copy; the highest score that lets no
  // error be tried and fails the minimum is the longest run that settles.
  const long long larger_penalty = rules.larger_penalty();
  const long long highest_failing_score = std::min(-static_cast<long long>(k) - larger_penalty, min_score - 1LL);
  longest_failing_run_ = highest_failing_score + k;
}

// A start's run is its copy and the stretch of residues equal to the one k
// before them that touches the copy's last residue or the one after it. The
// run settles when that stretch is no longer than the run's excess over a
// copy and, where N's are tolerated, no N borders it. So the starts to try
// are those whose copy's last residue or the one after it lies in a long
// enough stretch, and those near an N: up to k plus the longest settled
// stretch before it (the run ends at the N), or one more than that stretch
// after it (the run begins after the N).
ConcernedStarts ErrorFreeRunTest::starts_to_try() const {
  const long long longest_settled_stretch = longest_failing_run_ - k_;
  if (longest_settled_stretch < 0) return ConcernedStarts::all();
  // A residue lies in a long enough stretch when a window of stretch_needed
  // residues, all in the stretch, ends at it or up to stretch_needed - 1
  // after it.
  const long long stretch_needed = longest_settled_stretch + 1;
  return {{k_}, 1, k_, stretch_needed, k_ - 1, k_ + stretch_needed - 1,
          Ns_tolerated_, -(longest_settled_stretch + 1), k_ + longest_settled_stretch, 0};
}
