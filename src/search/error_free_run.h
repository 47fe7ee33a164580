#ifndef VELKOR_SEARCH_ERROR_FREE_RUN_H
#define VELKOR_SEARCH_ERROR_FREE_RUN_H

#include <cstddef>

#include "search/N_locator.h"

// The error-free run around the unit copy [p, p + k) for start after start of
// a sweep over the sequence: the residues before and after the copy that equal
// the residue k positions nearer to it. The sweep visits starts in increasing
// order, so each residue is compared about twice in all, not once per start.
class PeriodicRuns {
 public:
  PeriodicRuns(const char* seq_begin, const char* seq_end, unsigned k)
      : k_(static_cast<std::ptrdiff_t>(k)), seq_end_(seq_end), run_begin_(seq_begin), checked_(seq_begin),
        run_end_(seq_begin) {}

  // Moves to the start p, no smaller than the previous one; p + k lies
  // within the sequence.
  void move_to(const char* p) {
    // Judged from p backwards, the last break before p is found at once even
    // after a long jump; residues before checked_ are never read again.
    const char* x = p;
    while (x != checked_ && x[-1] == x[k_ - 1]) --x;
    if (x != checked_) run_begin_ = x;
    checked_ = p;
    if (run_end_ < p + k_) {
      run_end_ = p + k_;
      while (run_end_ != seq_end_ && *run_end_ == run_end_[-k_]) ++run_end_;
    }
  }
  const char* run_begin() const { return run_begin_; }
  const char* run_end() const { return run_end_; }

 private:
  std::ptrdiff_t k_;
  const char* seq_end_;
  const char* run_begin_;  // one past the last residue before the start that breaks the period
  const char* checked_;    // residues before this one are judged for run_begin_
  const char* run_end_;    // the first residue from the copy's end on that breaks the period
};

// Does a candidate settle as too weak from its error-free run alone? The
// rule, and why it holds, is stated with the extension alignment.
class ErrorFreeRunTest {
 public:
  explicit ErrorFreeRunTest(unsigned k);

  // The first start from p on that this test cannot settle: most starts lie
  // in no periodic stretch long enough, and are passed over by comparing
  // each residue with the one k before it, once.
  const char* first_start_to_try(const char* p, const char* seq_begin, const char* seq_end) const;

  // [run_begin, run_end) is the error-free run around a unit copy of length k.
  bool fails(const char* run_begin, const char* run_end, const char* seq_begin, const char* seq_end) const {
    if (run_end - run_begin > longest_failing_run_) return false;
    // A tolerated N at either end would be taken by the greedy run.
    return !(Ns_tolerated_ &&
             ((run_end != seq_end && *run_end == 'N') || (run_begin != seq_begin && run_begin[-1] == 'N')));
  }

 private:
  long long k_;
  long long longest_failing_run_;
  bool Ns_tolerated_;
};

// Does a candidate that passed the test above settle as too weak because it
// can try at most one error in each direction? The rule, and why it holds,
// is stated with the extension alignment.
class OneErrorTest {
 public:
  OneErrorTest(unsigned k, const char* seq_begin, const char* seq_end, const NLocator& Ns);

  // [run_begin, run_end) is the error-free run around a unit copy of
  // length k; true when every start sharing it settles.
  bool fails(const char* run_begin, const char* run_end) const;
  // The same, counting each match behind an error one by one: what the
  // comparisons of sixteen at a time must agree with.
  bool fails_plainly(const char* run_begin, const char* run_end) const;

  // The first start from p on that neither this test nor error_free (of the
  // same unit length) can settle: where this test settles runs that the
  // other leaves, starts far from the stretches that an unsettled run needs
  // are passed over.
  // Starts are asked for in increasing order.
  const char* first_start_to_try(const char* p, const ErrorFreeRunTest& error_free);

 private:
  template <bool by_masks>
  bool fails_by(const char* run_begin, const char* run_end) const;
  template <class Dir, bool by_masks>
  bool second_error_possible(const char* run_edge, long long score) const;

  long long k_;
  long long larger_penalty_;
  long long min_score_;
  bool usable_;  // only negative penalties make the rule hold
  bool Ns_tolerated_;
  const char* seq_begin_;
  const char* seq_end_;
  const char* first_stretch_end(const char* from, long long needed) const;

  long long stretch_needed_ = 0;  // 0: the scan of the error-free run test serves
  long long stretch_reach_back_ = 0, stretch_lead_ = 0, N_reach_back_ = 0, N_lead_ = 0;
  const char* concerned_up_to_ = nullptr;  // the last stretch or N found concerns the starts up to here
  // The first N from `from` on, or seq_end_: from Ns_, and kept until passed.
  const char* first_N_from(const char* from);
  const NLocator& Ns_;
  const char* N_searched_from_ = nullptr;
  const char* next_N_ = nullptr;
};

#endif
