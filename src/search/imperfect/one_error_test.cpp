/*
 * Candidates that settle as too weak because they can try at most one error
 * in each direction (the argument is stated in one_error_at_most.h).
 *
 * Behind an error, such a walk expects what the residue a unit length nearer
 * the run holds (for the first unit, one residue more behind an insertion,
 * one less behind a deletion), and that residue is the sequence itself: so
 * the matches it needs lie in stretches of residues equal to those k - 1,
 * k or k + 1 before them, next to either end of the run. A run short of h
 * residues beyond its copy needs a stretch of h there, where h is about half
 * what the run and the matches behind the error must make together; a
 * longer run is a stretch of h itself. So starts far from every stretch of h
 * and from every N settle, and are passed over by comparing each residue
 * with those k - 1, k and k + 1 before it.
 */
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "search/imperfect/error_free_run.h"
#include "search/extension/extension_walk.h"
#include "search/extension/greedy_run.h"
#include "search/extension/one_error_at_most.h"

namespace {

#ifdef __SSE2__
// Bit j: the j-th residue of each path behind an error at x (the residue
// that breaks an error-free run, read in the direction of the walk) matches
// what the walk expects there. Behind an error the walk expects the run's
// unit repeated; along a path whose residues so far all matched, that is the
// residue k back, but for the first few, which lie next to the run: there it
// is the residue k - 1 back behind a deletion and k + 1 back behind an
// insertion, and behind a mismatch or a deletion, k - 1 residues on, the
// first residue of the unit, k before x. Only the bits up to the first
// mismatch are right, which is all a count of matches reads. The sixteen
// residues beyond x, in the direction of the walk, must be there. For the
// walk to the left, the bits run the other way: the path's j-th is bit 15 - j.
struct PathMatches {
  std::uint32_t mismatch, insertion, deletion;
  std::uint32_t Ns;  // the N's among the sixteen residues beyond x
};

using PathBits = OneErrorTest::PathBits;

template <class Dir>
PathBits path_bits(std::ptrdiff_t k) {
  const bool forward = std::is_same<Dir, Forward>::value;
  const std::uint32_t first_k_ahead = k >= 16 ? 0xFFFFu : (1u << k) - 1;
  return {forward ? first_k_ahead : first_k_ahead << (16 - std::min<std::ptrdiff_t>(k, 16)),
          k > 16 ? 0 : forward ? 1u << (k - 1) : 1u << (16 - k)};
}

template <class Dir>
PathMatches path_matches(const char* x, std::ptrdiff_t k, PathBits bits) {
  const bool forward = std::is_same<Dir, Forward>::value;
  // Sixteen residues from the first of the mismatch and insertion paths
  // (after), and of the deletion path (at), with those k and k + 1 back.
  const char* after = forward ? x + 1 : x - 16;
  const char* at = forward ? x : x - 15;
  const std::ptrdiff_t back = forward ? k : -k;
  auto load = [](const char* y) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(y)); };
  auto equal = [](__m128i a, __m128i b) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b)));
  };
  const __m128i after_residues = load(after), at_residues = load(at);
  const __m128i k_back = load(after - back);    // k back of after, k - 1 back of at
  const __m128i k_more_back = load(at - back);  // k + 1 back of after, k back of at
  const std::uint32_t after_k = equal(after_residues, k_back), after_k_more = equal(after_residues, k_more_back);
  const std::uint32_t at_k_less = equal(at_residues, k_back), at_k = equal(at_residues, k_more_back);
  const std::uint32_t first_k = bits.first_k, unit_start_bit = bits.unit_start;
  const std::uint32_t first_k_less = first_k & ~unit_start_bit;
  const char unit_first = x[-back];
  auto unit_first_at = [&](std::ptrdiff_t j) {
    return k <= 16 && x[forward ? j : -j] == unit_first ? unit_start_bit : 0u;
  };
  return {(after_k & ~unit_start_bit) | unit_first_at(k), (after_k_more & first_k) | (after_k & ~first_k),
          (at_k_less & first_k_less) | unit_first_at(k - 1) | (at_k & ~first_k),
          equal(after_residues, _mm_set1_epi8('N'))};
}
#endif

}  // namespace

OneErrorTest::OneErrorTest(const WalkRules& rules, int min_score, unsigned k, const char* seq_begin,
                           const char* seq_end)
    : rules_(rules),
      k_(k),
      larger_penalty_(rules.larger_penalty()),
      min_score_(min_score),
      usable_(larger_penalty_ < 0),
      Ns_tolerated_(rules.Ns_tolerated),
      seq_begin_(seq_begin),
      seq_end_(seq_end) {
#ifdef __SSE2__
  forward_bits_ = path_bits<Forward>(k_);
  backward_bits_ = path_bits<Backward>(k_);
  // A score of the minimum or more never comes to ask; the walks of higher
  // ones are few.
  constexpr long long scores_laid_out = 64;
  constexpr std::uint32_t never_tried = 1u << 16;  // no path of sixteen has it
  for (long long score = 0; score < std::min(min_score_, scores_laid_out); ++score) {
    const long long after_mismatch = matches_needed(score, rules.mismatch_score);
    const long long after_indel = matches_needed(score, rules.indel_score);
    auto bits = [&](long long needed, bool forward) {
      if (needed < 0) return never_tried;
      if (needed >= 16) return 0xFFFFu;
      return forward ? (1u << needed) - 1 : (0xFFFFu << (16 - needed)) & 0xFFFFu;
    };
    second_error_bits_.push_back({{bits(after_mismatch, true), bits(after_mismatch, false)},
                                  {bits(after_indel, true), bits(after_indel, false)},
                                  std::max(after_mismatch, after_indel) <= 16});
  }
#endif
  // After an error of penalty x at the end of a run s residues beyond its
  // copy, a second error needs -k - larger - x + 1 - s matches behind the
  // first: run and matches together are fewest for the larger penalty.
  const long long least_sum = 1 - k_ - 2 * larger_penalty_;
  const long long most_matches_needed = 1 - k_ - larger_penalty_ - rules.smaller_penalty();
  // Runs of up to this many residues beyond the copy settle without an
  // error (see ErrorFreeRunTest).
  const long long settled_without_error = std::min(-k_ - larger_penalty_, min_score_ - 1LL);
  stretch_needed_ = std::min({min_score_, (least_sum + 1) / 2, k_ - 1});
  // Only where it passes over more than the error-free run test does.
  if (!usable_ || stretch_needed_ < 1 || stretch_needed_ <= settled_without_error + 1 || stretch_needed_ > 16) {
    stretch_needed_ = 0;
    return;
  }
  // How far back from a stretch's end or an N the starts it concerns begin,
  // and how far after a start a stretch must begin to concern it. A run
  // short of a stretch ends less than k + h after its start; the stretch
  // behind its end is seen h after it, the one behind its start ends within
  // h of it; a run that is a stretch itself reaches at least k - 1 past its
  // start; an N matters up to the most matches needed beyond either end.
  stretch_reach_back_ = k_ - 1 + 2 * stretch_needed_;
  stretch_lead_ = std::min(k_ - 2 * stretch_needed_, stretch_needed_ - k_);
  N_reach_back_ = k_ + stretch_needed_ + most_matches_needed - 1;
  N_lead_ = stretch_needed_ + most_matches_needed;
}

// A stretch of h residues equal to those k - 1, k or k + 1 before them,
// ending at i, concerns the starts from i - stretch_reach_back_ to
// i - h + 1 - stretch_lead_; an N at i those from i - N_reach_back_ to
// i + N_lead_. Starts whose k + 1 residues back are not all there are tried.
ConcernedStarts OneErrorTest::starts_to_try() const {
  if (stretch_needed_ == 0) return ConcernedStarts::all();
  return {{k_ - 1, k_, k_ + 1}, 3, k_ + 1, stretch_needed_, stretch_needed_ - 1 + stretch_lead_, stretch_reach_back_,
          Ns_tolerated_, -N_lead_, N_reach_back_, k_ + 1 - stretch_lead_};
}

// An error is tried when its score passes -L; a second one when the score
// after the first and the greedy run behind it, plus the larger penalty,
// passes -L too. The unit read from the run's residues next to the edge gives
// the same expected characters beyond it as the candidate's own copy: the
// run repeats that copy.
template <class Dir, bool by_masks>
bool OneErrorTest::second_error_possible(const char* run_edge, long long score) const {
  const bool forward = std::is_same<Dir, Forward>::value;
  const char* limit = forward ? seq_end_ : seq_begin_ - 1;
  if (Dir::at_limit(run_edge, limit)) return false;
  // A tolerated N would be taken by the greedy run: left to the full walk.
  if (Ns_tolerated_ && *Dir::next_residue(run_edge) == 'N') return true;
#ifdef __SSE2__
  const char* x = Dir::next_residue(run_edge);
  const bool sixteen_beyond = forward ? seq_end_ - x > 16 : x - seq_begin_ >= 16;
  if (by_masks && sixteen_beyond && score < static_cast<long long>(second_error_bits_.size()) &&
      second_error_bits_[static_cast<std::size_t>(score)].usable) {
    const SecondErrorBits& needed = second_error_bits_[static_cast<std::size_t>(score)];
    const int direction = forward ? 0 : 1;
    const PathMatches matches = path_matches<Dir>(x, k_, forward ? forward_bits_ : backward_bits_);
    // first: the path's first residue. A tolerated N where the path's
    // matches end is left to the full walk; the residues x is compared with
    // hold none, nor most others.
    const bool Ns_near = Ns_tolerated_ && matches.Ns != 0;
    auto second_tried = [&](std::uint32_t needed_bits, std::uint32_t path, const char* first) {
      if ((path & needed_bits) == needed_bits) return true;
      if (!Ns_near || needed_bits > 0xFFFFu) return false;  // or never tried
      const unsigned run = matches_in_a_row<Dir>(path);
      return first[forward ? run : -static_cast<std::ptrdiff_t>(run)] == 'N';
    };
    return second_tried(needed.mismatch[direction], matches.mismatch, Dir::step(x)) ||
           second_tried(needed.indel[direction], matches.insertion, Dir::step(x)) ||
           second_tried(needed.indel[direction], matches.deletion, x);
  }
#endif
  const long long floor = -k_;
  if (score + larger_penalty_ <= floor) return false;  // not even a first error can be tried
  const char* unit_begin = forward ? run_edge - k_ : run_edge;
  const char* unit_end = unit_begin + k_;
  return second_error_can_follow<Dir>(rules_, run_edge, forward ? unit_begin : unit_end - 1, unit_begin, unit_end,
                                      score, floor, limit, UnitText());
}

// The matches behind an error that let the next one pass -L, never more
// than -(larger penalty); -1 where the error itself is never tried (T is at
// least -L).
long long OneErrorTest::matches_needed(long long score, long long penalty) const {
  const long long floor = -k_;
  const long long after_error = score + penalty;
  return after_error <= floor ? -1 : std::max(0LL, floor - larger_penalty_ - after_error + 1);
}

// Every start sharing the run scores its length beyond a copy in all, and at
// most that much at the run's end: a second error tried from neither end at
// that score is tried by none of them.
template <bool by_masks>
bool OneErrorTest::fails_by(const char* run_begin, const char* run_end) const {
  const long long run_score = (run_end - run_begin) - k_;
  return usable_ && run_score < min_score_ && !second_error_possible<Forward, by_masks>(run_end, run_score) &&
         !second_error_possible<Backward, by_masks>(run_begin, run_score);
}

bool OneErrorTest::fails(const char* run_begin, const char* run_end) const {
  if (!fails_by<true>(run_begin, run_end)) return false;
  ++settled_;
  return true;
}

bool OneErrorTest::fails_plainly(const char* run_begin, const char* run_end) const {
  return fails_by<false>(run_begin, run_end);
}
