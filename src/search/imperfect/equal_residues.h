#ifndef VELKOR_SEARCH_IMPERFECT_EQUAL_RESIDUES_H
#define VELKOR_SEARCH_IMPERFECT_EQUAL_RESIDUES_H

#include <cstddef>
#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>

// Bit j: x[j] equals y[j] (16 residues).
inline unsigned equal_16(const char* x, const char* y) {
  const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x));
  const __m128i there = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, there)));
}
#endif

// Bit j of word w: residue 64 w + j equals the residue `back` before it.
// Residues fewer than `back` from the first have no such bit, nor do
// positions from `size` on.
//
// Made for several backs at once, the words [first, end) of back b into
// words[b][0 ...]: each residue is loaded once for all of them, and 64 are
// compared with a few instructions. The marks of the starts to try ask for
// three or four backs for every unit length, over the whole sequence.
constexpr int most_backs_at_once = 4;
// Whether 32 residues are compared at once: set from the processor; the
// tests turn it off to try the comparisons of 16.
extern bool compare_32_at_once;
void equal_residue_words(const char* residues, std::size_t size, std::size_t first, std::size_t end,
                         const std::size_t* backs, int count, std::uint64_t* const* words);

#endif
