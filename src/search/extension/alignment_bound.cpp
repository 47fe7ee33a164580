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
 * A record scores B_f + B_b (the trimming of flanking N's changes no
 * score); if A_f + A_b < minScores[k], it is rejected, and a rejected
 * candidate leaves nothing behind. Nothing here depends on the depth of the
 * look-ahead or its budget, on how many N's are tolerated (a long run only
 * ends a walk), on N's being errors instead (a lower score than 0), on the
 * score reduction limit (it only raises T) or on where the sequence ends
 * (the alignments end there too). Penalties too large for the cells are
 * taken smaller, which only raises A.
 *
 * A(floor) is an ordinary dynamic program over (residues taken, unit
 * characters taken): the best path to a state under the floor extends the
 * best path to one of its three predecessors, since the floor asks only
 * that each state of a path stay above it. Rows are residues taken, cells
 * diagonals (unit characters minus residues); a cell at or below the floor
 * is dead. Penalties are negative, so few diagonals stay alive, and the
 * rows die out a few dozen residues past the last stretch that matches the
 * unit: the work of a start whose walks would run until -L, choosing each
 * error with a tree of look-aheads, without the trees. It stops as soon as
 * it shows that the start must be walked.
 *
 * A stretch of G starts at once. Ahead of the copy at p + g (g < G) lie
 * the residues ahead of p's copy from the g-th on, and the unit character
 * that p + g takes c-th (counted from its copy's edge) is the one that p
 * takes (g + c)-th, unless g + (c mod L) >= L: there p's is the character
 * at a phase below g of its own unit. Let the characters at phases below
 * G - 1 match any residue (+1, an N included). Then every path of p + g,
 * moved to p's table from the cell (g residues, g unit characters), scores
 * as high at every state; and p's table reaches that cell with score g
 * through g such characters. So p's table bounds the forward gain of every
 * start of the stretch at once; behind, the table of the stretch's last
 * start does. A start whose own forward bound is a scores at most
 * a + A_b(-L - a), which grows with a (a point more ahead lowers the floor
 * behind, which lowers no bound); so with A_f no lower than every start's
 * own, A_f + A_b(-L - A_f) below the minimum settles the whole stretch.
 */
#include "search/extension/alignment_bound.h"

#include <algorithm>
#include <climits>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif


namespace {

struct Forward {
  // The residue taken i-th; where in the unit the character taken c-th
  // lies; how many characters are taken one after the other in the unit
  // from the one at i on, before it wraps round; and a copy of n of them.
  static char residue(const AlignmentBound::Origin& o, long long i) { return o.edge[i]; }
  static int unit_index(const AlignmentBound::Origin& o, int c) { return (o.phase + c) % o.k; }
  static std::size_t in_a_row(std::size_t i, std::size_t k) { return k - i; }
  static void copy_unit(const char* from, std::size_t n, char* to) { std::memcpy(to, from, n); }
};

struct Backward {
  static char residue(const AlignmentBound::Origin& o, long long i) { return o.edge[-1 - i]; }
  static int unit_index(const AlignmentBound::Origin& o, int c) { return ((o.phase - c) % o.k + o.k) % o.k; }
  static std::size_t in_a_row(std::size_t i, std::size_t) { return i + 1; }
  static void copy_unit(const char* from, std::size_t n, char* to) { std::reverse_copy(from + 1 - n, from + 1, to); }
};

#ifdef __SSE2__
// A cell holds its score less the floor, as an unsigned number that the
// sums saturate: a cell at or below the floor is 0, dead, and stays so
// under any penalty. Sixteen cells to a comparison where the start's score
// fits a byte (units up to 254), eight otherwise or where a cell outgrows
// the byte.
struct Bytes {
  using Cell = std::uint8_t;
  static constexpr std::size_t lanes = 16;
  static constexpr int highest = 255;
  static __m128i all(int v) { return _mm_set1_epi8(static_cast<char>(v)); }
  static __m128i add(__m128i a, __m128i b) { return _mm_adds_epu8(a, b); }
  static __m128i sub(__m128i a, __m128i b) { return _mm_subs_epu8(a, b); }
  static __m128i max(__m128i a, __m128i b) { return _mm_max_epu8(a, b); }
  static __m128i min(__m128i a, __m128i b) { return _mm_min_epu8(a, b); }
  // All ones in the lanes whose unit character is the residue or matches
  // any.
  static __m128i equal(const char* unit, const char* wildcards, __m128i residue) {
    return _mm_or_si128(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(unit)), residue),
                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(wildcards)));
  }
  static int last(__m128i v) { return _mm_extract_epi16(v, 7) >> 8; }
  // A bit for each byte of a dead cell.
  static int dead(__m128i v) { return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())); }
  static int highest_of(__m128i v) {
    v = max(v, _mm_srli_si128(v, 8));
    v = max(v, _mm_srli_si128(v, 4));
    v = max(v, _mm_srli_si128(v, 2));
    v = max(v, _mm_srli_si128(v, 1));
    return _mm_cvtsi128_si32(v) & 0xFF;
  }
};

struct Words {
  using Cell = std::uint16_t;
  static constexpr std::size_t lanes = 8;
  static constexpr int highest = 65535;
  static __m128i all(int v) { return _mm_set1_epi16(static_cast<short>(v)); }
  static __m128i add(__m128i a, __m128i b) { return _mm_adds_epu16(a, b); }
  static __m128i sub(__m128i a, __m128i b) { return _mm_subs_epu16(a, b); }
  // Without SSE4.1: a - b saturated, plus b; a less a - b saturated.
  static __m128i max(__m128i a, __m128i b) { return _mm_add_epi16(_mm_subs_epu16(a, b), b); }
  static __m128i min(__m128i a, __m128i b) { return _mm_sub_epi16(a, _mm_subs_epu16(a, b)); }
  static __m128i equal(const char* unit, const char* wildcards, __m128i residue) {
    const __m128i bytes = _mm_or_si128(_mm_cmpeq_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(unit)), residue),
                                       _mm_loadl_epi64(reinterpret_cast<const __m128i*>(wildcards)));
    return _mm_unpacklo_epi8(bytes, bytes);
  }
  static int last(__m128i v) { return _mm_extract_epi16(v, 7); }
  static int dead(__m128i v) { return _mm_movemask_epi8(_mm_cmpeq_epi16(v, _mm_setzero_si128())); }
  static int highest_of(__m128i v) {
    v = max(v, _mm_srli_si128(v, 8));
    v = max(v, _mm_srli_si128(v, 4));
    v = max(v, _mm_srli_si128(v, 2));
    return _mm_extract_epi16(v, 0);
  }
};
#endif

}  // namespace

AlignmentBound::AlignmentBound(const char* first, const char* end, int mismatch_score, int indel_score,
                               bool limit_work)
    : first_(first),
      end_(end),
      mismatch_score_(mismatch_score),
      indel_score_(indel_score),
      limit_work_(limit_work) {}

bool AlignmentBound::applies(unsigned k) const {
  constexpr unsigned too_long = 30000;
  return k >= shortest_unit && k < too_long && mismatch_score_ < 0 && indel_score_ < 0;
}

bool AlignmentBound::settles(const char* p, unsigned k, int min_score) {
  if (k == stretch_.unit_length && min_score == stretch_.min_score && p >= stretch_.first && p < stretch_.end)
    return stretch_.settled;
  // Starts to try come in runs, and a stretch is bounded at little more
  // than one start's cost, while a quarter of each unit matching anything
  // loosens the bound little. Where a stretch is not settled its starts are
  // walked: bounded one by one they were seldom settled either, and near a
  // satellite's period never, at the cost of a walk each.
  const long long room = end_ - (p + k);  // the last start's copy must end before the sequence
  const int starts = static_cast<int>(std::max(1LL, std::min(static_cast<long long>(k / 4), room)));
  stretch_ = {k, min_score, p, p + starts, stretch_below(p, k, min_score, starts)};
  if (stretch_.settled && starts > 1) ++stretches_settled_;
  return stretch_.settled;
}

bool AlignmentBound::stretch_below(const char* p, unsigned k, int min_score, int starts) {
  const int unit = static_cast<int>(k);
  const int ahead = highest_gain(Side::ahead, p, unit, -unit, min_score, starts);
  if (ahead >= min_score) return false;
  return highest_gain(Side::behind, p + starts - 1, unit, -unit - ahead, min_score - ahead, starts) <
         min_score - ahead;
}

int AlignmentBound::highest_gain(Side side, const char* p, int k, int floor, int enough, int starts) {
  // From the copy's edge, its first or last character next.
  const Origin from_copy = side == Side::ahead ? Origin{p + k, p, k, 0, end_ - (p + k), starts}
                                               : Origin{p, p, k, k - 1, p - first_, starts};
  return highest_gain(side, from_copy, floor, enough);
}

int AlignmentBound::highest_gain_on(Side side, const char* edge, const char* unit, int k, int phase,
                                    long long residues, int floor, int enough) {
  return highest_gain(side, Origin{edge, unit, k, phase, residues, 1}, floor, enough);
}

int AlignmentBound::highest_gain(Side side, const Origin& origin, int floor, int enough) {
  if (enough <= 0) return enough;
  // Made at the first start asked about: most records are searched for no
  // unit long enough.
  if (row_.empty()) {
    row_.resize(widest_row + 3 * margin);
    next_row_.resize(widest_row + 3 * margin);
  }
  const long long range = static_cast<long long>(enough) - floor;
#ifdef __SSE2__
  // Alignments beside copies that grow into no record seldom rise far above
  // their start, so bytes are tried wherever the start fits one, even if the
  // target does not.
  if (-floor < Bytes::highest) {
    const int gain = side == Side::ahead ? highest_gain<Forward, Bytes>(origin, floor, enough)
                                         : highest_gain<Backward, Bytes>(origin, floor, enough);
    if (gain != out_of_range) return gain;
    ++redone_in_wider_cells_;
  }
  if (range < Words::highest)
    return side == Side::ahead ? highest_gain<Forward, Words>(origin, floor, enough)
                               : highest_gain<Backward, Words>(origin, floor, enough);
#else
  static_cast<void>(side);
  static_cast<void>(origin);
  static_cast<void>(range);
#endif
  return enough;
}

template <class Dir>
void AlignmentBound::write_unit(const Origin& origin, std::size_t length) {
  if (unit_text_.empty()) {
    unit_text_.push_back('\0');
    wildcards_.push_back('\0');
  }
  // On from the characters written before: most alignments beside a walk
  // die within a few residues, long before a whole unit.
  const std::size_t from = unit_text_.size();
  if (from >= length) return;
  // The rows ask for a few characters more each: written some at a time.
  constexpr std::size_t at_a_time = 64;
  length = std::max(length, from + at_a_time);
  unit_text_.resize(length);
  wildcards_.resize(length);
  char* const text = unit_text_.data();
  char* const wildcards = wildcards_.data();
  // The character taken c-th, and whether it matches any, a run at a time:
  // up to the end of the unit's period or where the copy wraps round.
  const auto k = static_cast<std::size_t>(origin.k), wild = static_cast<std::size_t>(origin.starts - 1);
  std::size_t c = (from - 1) % k;
  for (std::size_t j = from; j < length;) {
    const auto i = static_cast<std::size_t>(Dir::unit_index(origin, static_cast<int>(c)));
    const std::size_t run = std::min({length - j, k - c, Dir::in_a_row(i, k)});
    Dir::copy_unit(origin.unit + i, run, text + j);
    const std::size_t matching_any = c < wild ? std::min(run, wild - c) : 0;
    std::memset(wildcards + j, '\xFF', matching_any);
    std::memset(wildcards + j + matching_any, '\0', run - matching_any);
    j += run;
    c += run;
    if (c == k) c = 0;
  }
}

#ifdef __SSE2__
template <class Dir, class Lanes>
int AlignmentBound::highest_gain(const Origin& origin, int floor, int enough) {
  using Cell = typename Lanes::Cell;
  constexpr std::size_t lanes = Lanes::lanes;
  // A penalty beyond the cells' range kills a cell as surely.
  auto cost = [](int penalty) {
    return static_cast<int>(std::min(-static_cast<long long>(penalty), static_cast<long long>(Lanes::highest)));
  };
  const int mismatch = cost(mismatch_score_), indel = cost(indel_score_);
  const long long residues = origin.residues;
  const int k = origin.k;
  // A start the bound does not settle is walked after all, so the alignment
  // gets about the work of a walk: the rows a walk to -L crosses grow with
  // L, and so do their cells.
  long long cells_left = limit_work_ ? std::max(32LL * k, 1LL * k * k / 3) * origin.starts : LLONG_MAX;
  unit_text_.clear();
  wildcards_.clear();
  // Row i holds the alignments that have taken i residues: cell j the
  // diagonal lo + j, whose next match takes the unit character at phase + j
  // (lo itself is never needed). Row 0: the start and the deletions from it.
  Cell* row = reinterpret_cast<Cell*>(row_.data()) + margin;
  Cell* next = reinterpret_cast<Cell*>(next_row_.data()) + margin;
  // Cells before a row's first are read as dead; a call with the other
  // type of cell may have left anything there.
  std::fill(row - margin, row + margin, Cell{0});
  std::fill(next - margin, next, Cell{0});
  std::size_t width = 1;
  row[0] = static_cast<Cell>(-floor);
  while (row[width - 1] > indel) {
    if (width == widest_row) return enough;
    row[width] = static_cast<Cell>(row[width - 1] - indel);
    ++width;
  }
  std::fill(row + width, row + width + margin, Cell{0});
  const __m128i one = Lanes::all(1), one_indel = Lanes::all(indel);
  // Shifted by s lanes, s deletions; from the vector before, lane l takes
  // l + 1.
  __m128i indels[5], deletions_carried;
  for (int s = 0; s < 5; ++s) indels[s] = Lanes::all(std::min(indel << s, Lanes::highest));
  {
    Cell steps[lanes];
    for (std::size_t l = 0; l < lanes; ++l)
      steps[l] = static_cast<Cell>(std::min(static_cast<long long>(indel) * static_cast<long long>(l + 1),
                                            static_cast<long long>(Lanes::highest)));
    deletions_carried = _mm_loadu_si128(reinterpret_cast<const __m128i*>(steps));
  }
  auto load = [](const Cell* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); };
  const int start = -floor;  // the start's cell: score 0
  // A cell this high has reached the target, or the top of its type.
  const int top =
      static_cast<int>(std::min(static_cast<long long>(start) + enough, static_cast<long long>(Lanes::highest)));
  const __m128i at_top = Lanes::all(top);
  __m128i highest_yet = Lanes::all(start);
  std::size_t phase = 0;
  for (long long i = 0; i < residues; ++i) {
    cells_left -= static_cast<long long>(width);
    if (cells_left < 0 || width + lanes > widest_row) return enough;
    // Cells 0 to width of the next row: cell j is diagonal lo - 1 + j, the
    // match or mismatch from cell j - 1, the insertion from cell j.
    const std::size_t vectors = width / lanes + 1;
    if (phase + vectors * lanes + 1 > unit_text_.size()) write_unit<Dir>(origin, phase + vectors * lanes + 1);
    const char residue = Dir::residue(origin, i);
    const __m128i residues_here = _mm_set1_epi8(residue);
    const __m128i unmatched = Lanes::all(residue == 'N' ? 0 : mismatch);
    const char* unit = unit_text_.data() + phase;  // unit[j]: the character cell j - 1 takes
    const char* wildcards = wildcards_.data() + phase;
    __m128i highest = _mm_setzero_si128();
    int carried = 0;  // the last cell of the vector before
    for (std::size_t v = 0; v < vectors; ++v) {
      const std::size_t j = v * lanes;
      const __m128i before = load(row + j - 1);
      // A match adds one to a live cell only.
      const __m128i matched = Lanes::add(before, Lanes::min(before, one));
      const __m128i equal = Lanes::equal(unit + j, wildcards + j, residues_here);
      const __m128i diagonal =
          _mm_or_si128(_mm_and_si128(equal, matched), _mm_andnot_si128(equal, Lanes::sub(before, unmatched)));
      __m128i cell = Lanes::max(diagonal, Lanes::sub(load(row + j), one_indel));
      // Deletions along the row: within the vector, then from the vector
      // before (the latter alone waits for the vector before).
      cell = Lanes::max(cell, Lanes::sub(_mm_slli_si128(cell, sizeof(Cell)), indels[0]));
      cell = Lanes::max(cell, Lanes::sub(_mm_slli_si128(cell, 2 * sizeof(Cell)), indels[1]));
      cell = Lanes::max(cell, Lanes::sub(_mm_slli_si128(cell, 4 * sizeof(Cell)), indels[2]));
      if (lanes == 16) cell = Lanes::max(cell, Lanes::sub(_mm_slli_si128(cell, 8 * sizeof(Cell)), indels[3]));
      cell = Lanes::max(cell, Lanes::sub(Lanes::all(carried), deletions_carried));
      highest = Lanes::max(highest, cell);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(next + j), cell);
      carried = Lanes::last(cell);
    }
    if (Lanes::dead(Lanes::sub(at_top, highest)) != 0) return top - start >= enough ? enough : out_of_range;
    highest_yet = Lanes::max(highest_yet, highest);
    // Deletions past the last vector while they stay alive.
    std::size_t next_width = vectors * lanes;
    while (next[next_width - 1] > indel) {
      if (next_width == widest_row) return enough;
      next[next_width] = static_cast<Cell>(next[next_width - 1] - indel);
      ++next_width;
    }
    // The live cells: from the first vector with one, to the last.
    auto alive_in = [&](std::size_t v) { return ~Lanes::dead(load(next + v * lanes)) & 0xFFFF; };
    std::size_t first_alive = 0, end_alive = 0;
    for (std::size_t v = 0; v < vectors; ++v) {
      if (const int alive = alive_in(v)) {
        first_alive = v * lanes + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(alive))) / sizeof(Cell);
        break;
      }
    }
    if (next_width > vectors * lanes) {
      end_alive = next_width;  // the deletions past the vectors are alive
    } else {
      for (std::size_t v = vectors; v-- > 0;) {
        if (const int alive = alive_in(v)) {
          end_alive = v * lanes + (31 - static_cast<std::size_t>(__builtin_clz(static_cast<unsigned>(alive)))) /
                                      sizeof(Cell) + 1;
          break;
        }
      }
    }
    if (end_alive == 0) break;
    // The cells after the last live one are read as dead.
    for (std::size_t j = 0; j < margin; j += lanes)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(next + end_alive + j), _mm_setzero_si128());
    phase += first_alive;
    while (phase >= static_cast<std::size_t>(k)) phase -= static_cast<std::size_t>(k);
    width = end_alive - first_alive;
    std::swap(row_, next_row_);
    row = reinterpret_cast<Cell*>(row_.data()) + margin + first_alive;
    next = reinterpret_cast<Cell*>(next_row_.data()) + margin;
  }
  return Lanes::highest_of(highest_yet) - start;
}
#endif
