/*
 * One row of the banded extension. The row is the hot loop of the arrays
 * search: every residue of every candidate passes through it. With SSE2 the
 * sixteen cells are four vectors of four, and the deletions along the row,
 * a chain from cell to cell, are a running maximum taken in two doubling
 * steps per vector, carried from one vector to the next.
 */
#include "search/arrays/band_row.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Substitution scores with N among the residue or the unit characters.
void scores_with_N(const char* chars, char c, const ArraysOptions& options, int* substitution) {
  for (int k = 0; k < band_width; ++k) substitution[k] = residue_score(c, chars[k], options);
}

}  // namespace

BandRow next_band_row_plain(const int* diagonal, const char* chars, char c, const ArraysOptions& options, int* row) {
  int substitution[band_width];
  scores_with_N(chars, c, options, substitution);
  std::uint32_t trace = 0;
  for (int k = 0; k < band_width; ++k) {
    const int from_diagonal = diagonal[k] + substitution[k];
    const int from_above = diagonal[k + 1] + options.indel;
    row[k] = from_diagonal;
    if (from_above > from_diagonal) {
      row[k] = from_above;
      trace |= 1u << k;
    }
    if (k > 0 && row[k - 1] + options.indel > row[k]) {
      row[k] = row[k - 1] + options.indel;
      trace = (trace & ~(1u << k)) | (1u << (band_width + k));
    }
  }
  BandRow result{row[0], 0, trace};
  for (int k = 1; k < band_width; ++k) {
    if (row[k] > result.best) {
      result.best = row[k];
      result.best_cell = k;
    }
  }
  return result;
}

#if defined(__SSE2__)

namespace {

constexpr int vectors = band_width / 4;

__m128i max32(__m128i a, __m128i b) {
  const __m128i greater = _mm_cmpgt_epi32(a, b);
  return _mm_or_si128(_mm_and_si128(greater, a), _mm_andnot_si128(greater, b));
}

unsigned lane_mask(__m128i m) { return static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(m))); }

}  // namespace

BandRow next_band_row(const int* diagonal, const char* chars, char c, bool unit_has_N, const ArraysOptions& options,
                      int* row) {
  __m128i substitution[vectors];
  if (c == 'N' || unit_has_N) {
    alignas(16) int scores[band_width];
    scores_with_N(chars, c, options, scores);
    for (int v = 0; v < vectors; ++v) substitution[v] = _mm_load_si128(reinterpret_cast<const __m128i*>(scores) + v);
  } else {
    // Equal bytes widened to equal words: a match scores mismatch + (1 - mismatch).
    const __m128i equal =
        _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(chars)), _mm_set1_epi8(c));
    const __m128i low = _mm_unpacklo_epi8(equal, equal), high = _mm_unpackhi_epi8(equal, equal);
    const __m128i words[vectors] = {_mm_unpacklo_epi16(low, low), _mm_unpackhi_epi16(low, low),
                                    _mm_unpacklo_epi16(high, high), _mm_unpackhi_epi16(high, high)};
    const __m128i mismatch = _mm_set1_epi32(options.mismatch), gain = _mm_set1_epi32(1 - options.mismatch);
    for (int v = 0; v < vectors; ++v) substitution[v] = _mm_add_epi32(mismatch, _mm_and_si128(words[v], gain));
  }
  const int indel = options.indel;
  const __m128i one_indel = _mm_set1_epi32(indel), two_indels = _mm_set1_epi32(2 * indel);
  const __m128i carried_indels = _mm_setr_epi32(indel, 2 * indel, 3 * indel, 4 * indel);
  // What the lanes shifted in from below the vector hold: nothing to take.
  const __m128i none_before_first = _mm_setr_epi32(dropped_cell, 0, 0, 0);
  const __m128i none_before_second = _mm_setr_epi32(dropped_cell, dropped_cell, 0, 0);
  __m128i cells[vectors];
  unsigned insertions = 0, deletions = 0;
  for (int v = 0; v < vectors; ++v) {
    const __m128i from_diagonal =
        _mm_add_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(diagonal + 4 * v)), substitution[v]);
    const __m128i from_above =
        _mm_add_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(diagonal + 4 * v + 1)), one_indel);
    const __m128i above_better = _mm_cmpgt_epi32(from_above, from_diagonal);
    const __m128i before_deletions = max32(from_diagonal, from_above);
    // Cell k takes the best of cell j < k less (k - j) indels: first from
    // the last cell of the vector before, then within the vector.
    __m128i x = before_deletions;
    if (v > 0) x = max32(x, _mm_add_epi32(_mm_shuffle_epi32(cells[v - 1], 0xFF), carried_indels));
    x = max32(x, _mm_add_epi32(_mm_or_si128(_mm_slli_si128(x, 4), none_before_first), one_indel));
    x = max32(x, _mm_add_epi32(_mm_or_si128(_mm_slli_si128(x, 8), none_before_second), two_indels));
    cells[v] = x;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + 4 * v), x);
    const unsigned deleted = lane_mask(_mm_cmpgt_epi32(x, before_deletions));
    insertions |= (lane_mask(above_better) & ~deleted) << (4 * v);
    deletions |= deleted << (4 * v);
  }
  __m128i best = max32(max32(cells[0], cells[1]), max32(cells[2], cells[3]));
  best = max32(best, _mm_shuffle_epi32(best, 0x4E));
  best = max32(best, _mm_shuffle_epi32(best, 0xB1));
  unsigned at_best = 0;
  for (int v = 0; v < vectors; ++v) at_best |= lane_mask(_mm_cmpeq_epi32(cells[v], best)) << (4 * v);
  return {_mm_cvtsi128_si32(best), __builtin_ctz(at_best), insertions | (deletions << band_width)};
}

#else

BandRow next_band_row(const int* diagonal, const char* chars, char c, bool, const ArraysOptions& options, int* row) {
  return next_band_row_plain(diagonal, chars, c, options, row);
}

#endif
