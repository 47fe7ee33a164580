/*
 * One row of the banded extension. The row is the hot loop of the arrays
 * search: every residue of every candidate passes through it. With SSE2 the
 * cells are vectors of four, and the deletions along the row, a chain from
 * cell to cell, are a running maximum taken in two doubling steps per
 * vector, carried from one vector to the next.
 */
#include "search/arrays/band_row.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Substitution scores with N among the residue or the unit characters.
void scores_with_N(int width, const char* chars, char c, const ArraysOptions& options, int* substitution) {
  for (int k = 0; k < width; ++k) substitution[k] = residue_score(c, chars[k], options);
}

}  // namespace

BandRow next_band_row_plain(int width, const int* diagonal, const char* chars, char c, const ArraysOptions& options,
                            int* row) {
  int substitution[widest_band];
  scores_with_N(width, chars, c, options, substitution);
  std::uint64_t trace = 0;
  for (int k = 0; k < width; ++k) {
    const int from_diagonal = diagonal[k] + substitution[k];
    const int from_above = diagonal[k + 1] + options.indel;
    row[k] = from_diagonal;
    if (from_above > from_diagonal) {
      row[k] = from_above;
      trace |= std::uint64_t(1) << k;
    }
    if (k > 0 && row[k - 1] + options.indel > row[k]) {
      row[k] = row[k - 1] + options.indel;
      trace = (trace & ~(std::uint64_t(1) << k)) | (std::uint64_t(1) << (widest_band + k));
    }
  }
  BandRow result{row[0], 0, trace};
  for (int k = 1; k < width; ++k) {
    if (row[k] > result.best) {
      result.best = row[k];
      result.best_cell = k;
    }
  }
  return result;
}

#if defined(__SSE2__)

namespace {

__m128i max32(__m128i a, __m128i b) {
  const __m128i greater = _mm_cmpgt_epi32(a, b);
  return _mm_or_si128(_mm_and_si128(greater, a), _mm_andnot_si128(greater, b));
}

unsigned lane_mask(__m128i m) { return static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(m))); }

template <int vectors>
BandRow row_in_vectors(const int* diagonal, const char* chars, char c, bool unit_has_N, const ArraysOptions& options,
                       int* row) {
  __m128i substitution[vectors];
  if (c == 'N' || unit_has_N) {
    alignas(16) int scores[4 * vectors];
    scores_with_N(4 * vectors, chars, c, options, scores);
    for (int v = 0; v < vectors; ++v) substitution[v] = _mm_load_si128(reinterpret_cast<const __m128i*>(scores) + v);
  } else {
    // Equal bytes widened to equal words: a match scores mismatch + (1 - mismatch).
    const __m128i mismatch = _mm_set1_epi32(options.mismatch), gain = _mm_set1_epi32(1 - options.mismatch);
    const __m128i residue = _mm_set1_epi8(c);
    for (int v = 0; v < vectors; v += 4) {
      // Sixteen characters at a time: chars is padded to a multiple of sixteen.
      const __m128i equal = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + 4 * v)), residue);
      const __m128i low = _mm_unpacklo_epi8(equal, equal), high = _mm_unpackhi_epi8(equal, equal);
      const __m128i words[4] = {_mm_unpacklo_epi16(low, low), _mm_unpackhi_epi16(low, low),
                                _mm_unpacklo_epi16(high, high), _mm_unpackhi_epi16(high, high)};
      for (int w = 0; w < 4 && v + w < vectors; ++w) {
        substitution[v + w] = _mm_add_epi32(mismatch, _mm_and_si128(words[w], gain));
      }
    }
  }
  const int indel = options.indel;
  const __m128i one_indel = _mm_set1_epi32(indel), two_indels = _mm_set1_epi32(2 * indel);
  const __m128i carried_indels = _mm_setr_epi32(indel, 2 * indel, 3 * indel, 4 * indel);
  // What the lanes shifted in from below the vector hold: nothing to take.
  const __m128i none_before_first = _mm_setr_epi32(dropped_cell, 0, 0, 0);
  const __m128i none_before_second = _mm_setr_epi32(dropped_cell, dropped_cell, 0, 0);
  __m128i cells[vectors];
  std::uint64_t insertions = 0, deletions = 0;
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
    const std::uint64_t deleted = lane_mask(_mm_cmpgt_epi32(x, before_deletions));
    insertions |= (lane_mask(above_better) & ~deleted) << (4 * v);
    deletions |= deleted << (4 * v);
  }
  __m128i best = cells[0];
  for (int v = 1; v < vectors; ++v) best = max32(best, cells[v]);
  best = max32(best, _mm_shuffle_epi32(best, 0x4E));
  best = max32(best, _mm_shuffle_epi32(best, 0xB1));
  std::uint64_t at_best = 0;
  for (int v = 0; v < vectors; ++v) at_best |= std::uint64_t(lane_mask(_mm_cmpeq_epi32(cells[v], best))) << (4 * v);
  return {_mm_cvtsi128_si32(best), __builtin_ctzll(at_best), insertions | (deletions << widest_band)};
}

}  // namespace

BandRow next_band_row(int width, const int* diagonal, const char* chars, char c, bool unit_has_N,
                      const ArraysOptions& options, int* row) {
  switch (width) {
    case 16: return row_in_vectors<4>(diagonal, chars, c, unit_has_N, options, row);
    case 24: return row_in_vectors<6>(diagonal, chars, c, unit_has_N, options, row);
    case 32: return row_in_vectors<8>(diagonal, chars, c, unit_has_N, options, row);
    default: return next_band_row_plain(width, diagonal, chars, c, options, row);
  }
}

#else

BandRow next_band_row(int width, const int* diagonal, const char* chars, char c, bool, const ArraysOptions& options,
                      int* row) {
  return next_band_row_plain(width, diagonal, chars, c, options, row);
}

#endif
