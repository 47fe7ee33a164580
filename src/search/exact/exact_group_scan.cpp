#include "search/exact/exact_group_scan.h"

#include <algorithm>
#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>

namespace {
// Bit j: the residue at x + j equals the one k after it and is no N.
inline std::uint32_t periodic_16(const char* x, std::ptrdiff_t k) {
  const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x));
  const __m128i k_after = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + k));
  return static_cast<std::uint32_t>(
      _mm_movemask_epi8(_mm_andnot_si128(_mm_cmpeq_epi8(here, _mm_set1_epi8('N')), _mm_cmpeq_epi8(here, k_after))));
}
}  // namespace
#endif

// A group needs judging when e(x) holds equal_needed times in a row from its
// start, or, with N's bridged, when an N run ends just before its start or
// begins k past its last start (its break). Every unit copy of a group whose
// start is an N, or whose break lies k before an N that follows another N,
// holds an N and is never tried, so such groups need no judging.
ExactGroupScan::ExactGroupScan(unsigned k, std::ptrdiff_t equal_needed, bool Ns_bridged, const NLocator& Ns,
                               const char* seq_begin, const char* seq_end)
    : k_(static_cast<std::ptrdiff_t>(k)),
      equal_needed_(equal_needed),
      Ns_bridged_(Ns_bridged),
      Ns_(Ns),
      seq_begin_(seq_begin),
      seq_end_(seq_end),
      starts_end_(seq_end - k),
      judged_end_(starts_end_),
      N_looked_from_(seq_end),
      next_N_(seq_end) {
  // A window of w positions, all periodic, is found by and-ing the mask with
  // itself shifted, doubling the width covered, then shifting by the rest.
  unsigned covered = 1, step = 0;
  const std::ptrdiff_t window = std::min<std::ptrdiff_t>(equal_needed, 63);
  for (; 2 * static_cast<std::ptrdiff_t>(covered) <= window; covered *= 2) window_shifts_[step++] = static_cast<unsigned char>(covered);
  if (window > 0) window_shifts_[step++] = static_cast<unsigned char>(window - covered);
  window_shift_count_ = step;
}

const char* ExactGroupScan::judge(const char* x, std::ptrdiff_t& run) const {
  if (Ns_bridged_) {
    if (x[k_] == 'N' && x[k_ - 1] != 'N') return x - run;
    if (x != seq_begin_ && x[-1] == 'N' && x[0] != 'N') return x;
  }
  if (periodic(x)) {
    if (++run == equal_needed_) return x - (equal_needed_ - 1);
  } else {
    run = 0;
  }
  return nullptr;
}

const char* ExactGroupScan::next_group_to_judge_plainly(const char* g) const {
  if (equal_needed_ <= 0) return g;
  std::ptrdiff_t run = 0;
  for (const char* x = g; x < judged_end_; ++x) {
    if (const char* group = judge(x, run)) return group;
  }
  return std::max(g, judged_end_);
}

// A group that needs judging is found at its first position (an N run
// before it), at its break (an N run k after that), or at the end of its
// first window: the last two lie at most equal_needed - 1 positions after
// its start (a group long enough is found at its window before its break).
void ExactGroupScan::judge_groups_starting_before(const char* to) {
  const std::ptrdiff_t window_past_to = std::max<std::ptrdiff_t>(equal_needed_ - 1, 0);
  if (starts_end_ - to > window_past_to) judged_end_ = to + window_past_to;
}

bool ExactGroupScan::N_within(const char* from, const char* to) {
  if (from < N_looked_from_ || next_N_ < from) {
    N_looked_from_ = from;
    next_N_ = Ns_.first_N_from(from);
  }
  return next_N_ <= to;
}

// A group is long enough when the last position of the window from its
// start, and every one before it, is periodic. Looking at that last one
// first passes over a whole window at once when it is not; otherwise the
// nearest break before it starts the next window, and positions already
// found periodic are not looked at again. Where an N could make a group
// worth judging, the step-wise scan takes over.
const char* ExactGroupScan::probe_windows(const char* g, bool& found) {
  found = false;
  const char* known_periodic_end = g;  // [g, known_periodic_end) is periodic
  while (judged_end_ - g >= equal_needed_) {
    const char* last = g + (equal_needed_ - 1);
    if (Ns_bridged_ && N_within(g == seq_begin_ ? g : g - 1, last + k_)) break;
    const char* x = last;
    while (x >= known_periodic_end && periodic(x)) --x;
    if (x < known_periodic_end) {
      found = true;
      break;
    }
    known_periodic_end = last + 1;
    g = x + 1;
  }
  return g;
}

const char* ExactGroupScan::next_group_to_judge(const char* g) {
#ifdef __SSE2__
  if (equal_needed_ <= 0) return g;
  if (equal_needed_ >= probing_window) {
    bool found;
    g = probe_windows(g, found);
    if (found) return g;
  }
  std::ptrdiff_t run = 0;
  const char* x = g;
  // A step reads the residue before each position.
  if (x == seq_begin_ && x < judged_end_) {
    if (const char* group = judge(x, run)) return group;
    ++x;
  }
  // The group that x lies in starts here: after the last break passed over.
  const char* group_start = x - run;
  // The group start to return, for the group that holds x + j; the break
  // that ends it is remembered when this step has seen it.
  std::uint64_t breaks = 0;
  auto found = [&](const char* group, unsigned j) {
    const std::uint64_t breaks_from_j = breaks & (~0ull << j);
    if (breaks_from_j != 0) {
      known_group_ = group;
      known_last_start_ = x + __builtin_ctzll(breaks_from_j);
    }
    return group;
  };
  // Judges the next 16 * parts positions; gives the group start to return,
  // or nullptr with x moved past them. Bit j of a step's masks stands for
  // position x + j.
  auto step = [&](unsigned parts) -> const char* {
    const unsigned width = 16 * parts;
    const std::uint64_t in_step = width == 64 ? ~0ull : (1ull << width) - 1;
    std::uint64_t periodic = 0;
    for (unsigned part = 0; part < parts; ++part) {
      periodic |= static_cast<std::uint64_t>(periodic_16(x + 16 * part, k_)) << 16 * part;
    }
    breaks = ~periodic & in_step;
    // A window of equal_needed positions ending at x + j is all periodic
    // unless a break lies in it, or it reaches back before group_start. Each
    // break of the step covers the equal_needed positions from it on (the
    // rest of the step when windows are longer than a step).
    std::uint64_t covered = breaks;
    if (equal_needed_ < 64) {
      switch (window_shift_count_) {  // in any order: each shift stands for a width of windows
        case 6: covered |= covered << window_shifts_[5]; [[fallthrough]];
        case 5: covered |= covered << window_shifts_[4]; [[fallthrough]];
        case 4: covered |= covered << window_shifts_[3]; [[fallthrough]];
        case 3: covered |= covered << window_shifts_[2]; [[fallthrough]];
        case 2: covered |= covered << window_shifts_[1]; [[fallthrough]];
        case 1: covered |= covered << window_shifts_[0]; [[fallthrough]];
        default: break;
      }
    } else if (breaks != 0) {
      covered = ~0ull << __builtin_ctzll(breaks);
    }
    std::uint64_t window_ends = ~covered & in_step;
    // Most steps hold no window end at all; where they do, the windows that
    // reach back before group_start are left out.
    if (window_ends != 0) {
      const std::ptrdiff_t reach = group_start + (equal_needed_ - 1) - x;  // the positions before a whole window
      if (reach > 0) window_ends &= reach >= 64 ? 0 : ~0ull << reach;
    }
    const unsigned long_enough_at = window_ends != 0 ? static_cast<unsigned>(__builtin_ctzll(window_ends)) : 64;

    // Most steps see no N at all: then there is nothing to look for.
    if (Ns_bridged_ && N_within(x - 1, x + width + k_ - 1)) {
      // An N run that begins k after a position, or ends just before it.
      auto N_at = [all_N = _mm_set1_epi8('N')](const char* z) {
        return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(z)), all_N);
      };
      std::uint64_t N_stops = 0;
      for (unsigned part = 0; part < parts; ++part) {
        const char* y = x + 16 * part;
        const __m128i run_begins_k_after = _mm_andnot_si128(N_at(y + k_ - 1), N_at(y + k_));
        const __m128i run_ends_before = _mm_andnot_si128(N_at(y), N_at(y - 1));
        N_stops |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(
                       _mm_movemask_epi8(_mm_or_si128(run_begins_k_after, run_ends_before))))
                   << 16 * part;
      }
      const unsigned N_stop_at = N_stops != 0 ? static_cast<unsigned>(__builtin_ctzll(N_stops)) : 64;
      if (N_stop_at < long_enough_at) {
        // The group of x + j starts after the last break before it.
        const std::uint64_t breaks_before = breaks & ((1ull << N_stop_at) - 1);
        return found(breaks_before == 0 ? group_start : x + (64 - __builtin_clzll(breaks_before)), N_stop_at);
      }
    }
    if (long_enough_at < 64) return found(x + long_enough_at - (equal_needed_ - 1), long_enough_at);
    if (breaks != 0) group_start = x + (64 - __builtin_clzll(breaks));
    x += width;
    return nullptr;
  };
  // Steps of 64 positions, then of 16, then the last few one by one.
  while (judged_end_ - x >= 64) {
    if (const char* group = step(4)) return group;
  }
  while (judged_end_ - x >= 16) {
    if (const char* group = step(1)) return group;
  }
  for (run = x - group_start; x < judged_end_; ++x) {
    if (const char* group = judge(x, run)) return group;
  }
  return std::max(g, judged_end_);
#else
  return next_group_to_judge_plainly(g);
#endif
}

const char* ExactGroupScan::last_start_plainly(const char* g) const {
  const char* x = g;
  while (x < starts_end_ && periodic(x)) ++x;
  return x;
}

const char* ExactGroupScan::last_start(const char* g) const {
  if (g == known_group_) return known_last_start_;
  const char* x = g;
#ifdef __SSE2__
  for (; starts_end_ - x >= 16; x += 16) {
    const std::uint32_t breaks = ~periodic_16(x, k_) & 0xFFFFu;
    if (breaks != 0) return x + __builtin_ctz(breaks);
  }
#endif
  return last_start_plainly(x);
}
