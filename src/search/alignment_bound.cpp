/*
 * Why a copy settled here could not be accepted.
 *
 * A walk's path is an alignment of the residues on its side of the copy
 * against the unit written out endlessly from the copy's edge: each step
 * takes a residue and a unit character (a match, +1, or a mismatch), a
 * residue alone (an insertion) or a unit character alone (a deletion); a
 * tolerated N scores 0 and an N is never scored above that unless it equals
 * the unit character. The walk tries an error only if the score after it
 * stays above T = max(-L, B - reduction) >= -L, and a greedy run never
 * lowers the score, so every state of its path scores above -L (L the unit
 * length); the record keeps the best state of the path. The backward walk
 * starts from the forward walk's best, B_f, so its states stay above
 * -L - B_f relative to where it starts.
 *
 * Let A(floor) be the highest score of any state of any alignment path from
 * the copy's edge whose states all score above floor. Every walk path is
 * one of them, whatever the look-ahead chose, so B_f <= A_f(-L) and the
 * backward gain B_b <= A_b(-L - A_f(-L)) (a lower floor admits more paths).
 * A record scores B_f + B_b; if A_f + A_b < minScores[k], it is rejected,
 * and a rejected candidate leaves nothing behind.
 *
 * A(floor) is an ordinary dynamic program over (residues taken, unit
 * characters taken): the best path to a state under the floor extends the
 * best path to one of its three predecessors, since the floor asks only
 * that each state of a path stay above it. Rows are residues taken, cells
 * diagonals (unit characters minus residues); a cell at or below the floor
 * is dead. Penalties are negative, so the diagonals alive stay within
 * (score + L) / |penalty| of the start's, and the rows die out a few dozen
 * residues past the last stretch that matches the unit: the work of a start
 * whose walks would run until -L, choosing each error with a tree of
 * look-aheads, without the trees. It stops as soon as it shows that the
 * start must be walked.
 */
#include "search/alignment_bound.h"

#include <algorithm>
#include <climits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "config/parameters.h"

namespace {

// Scores are 16-bit, eight to a comparison: penalties are taken no lower
// than this (a higher penalty only loosens the bound), so that a deletion
// eight cells long stays in range; a dead cell stays dead, at or below any
// floor, whatever is added to it (the sums saturate).
constexpr int lowest_penalty = -2000;
constexpr std::int16_t dead = -30000;
// Floors and targets further from zero than this are left to the walks.
constexpr int largest_score = 12000;
constexpr std::size_t lanes = 8;
// Rows carry this many dead cells before their first and after their last.
constexpr std::size_t margin = 2 * lanes;

struct Forward {
  // The residue taken i-th, and how many there are.
  static char residue(const char* p, int k, long long i) { return p[k + i]; }
  static long long residues(const char* p, int k, const char*, const char* end) { return end - (p + k); }
  // The unit character at phase, counted outward from the copy's edge.
  static char unit(const char* p, int, int phase) { return p[phase]; }
};

struct Backward {
  static char residue(const char* p, int, long long i) { return p[-1 - i]; }
  static long long residues(const char* p, int, const char* first, const char*) { return p - first; }
  static char unit(const char* p, int k, int phase) { return p[k - 1 - phase]; }
};

}  // namespace

AlignmentBound::AlignmentBound(const char* first, const char* end, bool limit_work)
    : first_(first),
      end_(end),
      limit_work_(limit_work),
      row_(widest_row + 3 * margin, dead),
      next_row_(widest_row + 3 * margin, dead) {}

bool AlignmentBound::settles(const char* p, unsigned k, int min_score) {
  if (global_mismatch_score >= 0 || global_indel_score >= 0 || k > largest_score ||
      min_score > largest_score - static_cast<int>(k))
    return false;
  const int unit = static_cast<int>(k);
  const int ahead = highest_gain<Forward>(p, unit, -unit, min_score);
  if (ahead >= min_score) return false;
  return highest_gain<Backward>(p, unit, -unit - ahead, min_score - ahead) < min_score - ahead;
}

int AlignmentBound::highest_gain(Side side, const char* p, int k, int floor, int enough) {
  return side == Side::ahead ? highest_gain<Forward>(p, k, floor, enough) : highest_gain<Backward>(p, k, floor, enough);
}

template <class Dir>
void AlignmentBound::write_unit(const char* p, int k, std::size_t length) {
  if (unit_text_.empty()) unit_text_.push_back('\0');
  while (unit_text_.size() < length)
    for (int phase = 0; phase < k; ++phase) unit_text_.push_back(Dir::unit(p, k, phase));
}

template <class Dir>
int AlignmentBound::highest_gain(const char* p, int k, int floor, int enough) {
#ifdef __SSE2__
  if (enough <= 0) return enough;
  const int mismatch = std::max(global_mismatch_score, lowest_penalty);
  const int indel = std::max(global_indel_score, lowest_penalty);
  const long long residues = Dir::residues(p, k, first_, end_);
  // A start the bound does not settle is walked after all, so the alignment
  // gets about the work of a walk: the rows a walk to -L crosses grow with
  // L, and so do their cells.
  long long cells_left = limit_work_ ? std::max(32LL * k, 1LL * k * k / 3) : LLONG_MAX;
  unit_text_.clear();
  // Row i holds the alignments that have taken i residues: cell j the
  // diagonal lo + j, whose next match takes the unit character at phase + j
  // (lo itself is never needed). Row 0: the start and the deletions from it.
  std::int16_t* row = row_.data() + margin;
  std::int16_t* next = next_row_.data() + margin;
  std::size_t width = 1;
  row[0] = 0;
  while (row[width - 1] + indel > floor) {
    if (width == widest_row) return enough;
    row[width] = static_cast<std::int16_t>(row[width - 1] + indel);
    ++width;
  }
  for (std::size_t j = width; j < width + margin; ++j) row[j] = dead;
  std::size_t phase = 0;
  const __m128i all_dead = _mm_set1_epi16(dead), floors = _mm_set1_epi16(static_cast<std::int16_t>(floor));
  const __m128i one_indel = _mm_set1_epi16(static_cast<std::int16_t>(indel));
  const __m128i two_indels = _mm_set1_epi16(static_cast<std::int16_t>(2 * indel));
  const __m128i four_indels = _mm_set1_epi16(static_cast<std::int16_t>(4 * indel));
  // Lane l: l + 1 deletions.
  const __m128i deletions = _mm_setr_epi16(static_cast<std::int16_t>(indel), static_cast<std::int16_t>(2 * indel),
                                           static_cast<std::int16_t>(3 * indel), static_cast<std::int16_t>(4 * indel),
                                           static_cast<std::int16_t>(5 * indel), static_cast<std::int16_t>(6 * indel),
                                           static_cast<std::int16_t>(7 * indel), static_cast<std::int16_t>(8 * indel));
  // The lanes a shift by one, two or four lanes leaves empty, dead.
  const __m128i dead_first_1 = _mm_setr_epi16(dead, 0, 0, 0, 0, 0, 0, 0);
  const __m128i dead_first_2 = _mm_setr_epi16(dead, dead, 0, 0, 0, 0, 0, 0);
  const __m128i dead_first_4 = _mm_setr_epi16(dead, dead, dead, dead, 0, 0, 0, 0);
  const __m128i matched = _mm_set1_epi16(1);
  int best = 0;
  for (long long i = 0; i < residues; ++i) {
    cells_left -= static_cast<long long>(width);
    if (cells_left < 0 || width + lanes > widest_row) return enough;
    // Cells 0 to width of the next row: cell j is diagonal lo - 1 + j, the
    // match or mismatch from cell j - 1, the insertion from cell j.
    const std::size_t vectors = width / lanes + 1;
    if (phase + vectors * lanes + 1 > unit_text_.size()) write_unit<Dir>(p, k, phase + vectors * lanes + 1);
    const char residue = Dir::residue(p, k, i);
    const __m128i residues_here = _mm_set1_epi8(residue);
    const __m128i unmatched = _mm_set1_epi16(static_cast<std::int16_t>(residue == 'N' ? 0 : mismatch));
    const char* unit = unit_text_.data() + phase;  // unit[j]: the character cell j - 1 takes
    auto load = [](const std::int16_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); };
    __m128i highest = all_dead;
    std::int16_t carried = dead;  // the last cell of the vector before
    for (std::size_t v = 0; v < vectors; ++v) {
      const std::size_t j = v * lanes;
      const __m128i equal_bytes = _mm_cmpeq_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(unit + j)),
                                                 residues_here);
      const __m128i equal = _mm_unpacklo_epi8(equal_bytes, equal_bytes);
      const __m128i step = _mm_or_si128(_mm_and_si128(equal, matched), _mm_andnot_si128(equal, unmatched));
      __m128i cell = _mm_max_epi16(_mm_adds_epi16(load(row + j - 1), step), _mm_adds_epi16(load(row + j), one_indel));
      // Deletions along the row: within the vector, then from the vector
      // before (the latter alone waits for the vector before).
      cell = _mm_max_epi16(cell, _mm_adds_epi16(_mm_or_si128(_mm_slli_si128(cell, 2), dead_first_1), one_indel));
      cell = _mm_max_epi16(cell, _mm_adds_epi16(_mm_or_si128(_mm_slli_si128(cell, 4), dead_first_2), two_indels));
      cell = _mm_max_epi16(cell, _mm_adds_epi16(_mm_or_si128(_mm_slli_si128(cell, 8), dead_first_4), four_indels));
      cell = _mm_max_epi16(cell, _mm_adds_epi16(_mm_set1_epi16(carried), deletions));
      // A cell at or below the floor is dead: nothing it leads to is above it.
      const __m128i alive = _mm_cmpgt_epi16(cell, floors);
      cell = _mm_or_si128(_mm_and_si128(alive, cell), _mm_andnot_si128(alive, all_dead));
      highest = _mm_max_epi16(highest, cell);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(next + j), cell);
      carried = static_cast<std::int16_t>(_mm_extract_epi16(cell, 7));
    }
    // Deletions past the last vector while they stay alive.
    std::size_t next_width = vectors * lanes;
    while (next[next_width - 1] + indel > floor) {
      if (next_width == widest_row) return enough;
      next[next_width] = static_cast<std::int16_t>(next[next_width - 1] + indel);
      ++next_width;
    }
    highest = _mm_max_epi16(highest, _mm_srli_si128(highest, 8));
    highest = _mm_max_epi16(highest, _mm_srli_si128(highest, 4));
    highest = _mm_max_epi16(highest, _mm_srli_si128(highest, 2));
    best = std::max(best, static_cast<int>(static_cast<std::int16_t>(_mm_extract_epi16(highest, 0))));
    if (best >= enough) return best;
    std::size_t first_alive = 0;
    while (first_alive < next_width && next[first_alive] == dead) ++first_alive;
    while (next_width > first_alive && next[next_width - 1] == dead) --next_width;
    if (first_alive == next_width) break;
    // The cells after the last alive one are read as dead.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(next + next_width), all_dead);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(next + next_width + lanes), all_dead);
    phase += first_alive;
    while (phase >= static_cast<std::size_t>(k)) phase -= static_cast<std::size_t>(k);
    width = next_width - first_alive;
    std::swap(row_, next_row_);
    row = row_.data() + margin + first_alive;
    next = next_row_.data() + margin;
  }
  return best;
#else
  static_cast<void>(p);
  static_cast<void>(k);
  static_cast<void>(floor);
  return enough;
#endif
}
