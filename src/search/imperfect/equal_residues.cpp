#include "search/imperfect/equal_residues.h"

#include <algorithm>

#ifdef __x86_64__
#include <immintrin.h>
#define VELKOR_X86 1
#endif

namespace {

// Residue by residue, for sequences too short for the comparisons below.
std::uint64_t equal_word_plainly(const char* residues, std::size_t size, std::size_t w, std::size_t back) {
  const std::size_t begin = 64 * w;
  std::uint64_t word = 0;
  for (std::size_t i = std::max(begin, back); i < std::min(begin + 64, size); ++i)
    if (residues[i] == residues[i - back]) word |= std::uint64_t{1} << (i - begin);
  return word;
}

#ifdef VELKOR_X86
// The words whose 64 residues and those `back` before them all lie in the
// sequence, 16 residues to a comparison.
void equal_words_16(const char* residues, std::size_t first, std::size_t end, const std::size_t* backs, int count,
                    std::uint64_t* const* words, std::size_t out_first) {
  for (std::size_t w = first; w < end; ++w) {
    const char* x = residues + 64 * w;
    __m128i here[4];
    for (int part = 0; part < 4; ++part) here[part] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + 16 * part));
    for (int b = 0; b < count; ++b) {
      const char* y = x - backs[b];
      std::uint64_t word = 0;
      for (int part = 0; part < 4; ++part) {
        const __m128i there = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + 16 * part));
        word |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(here[part], there))))
                << (16 * part);
      }
      words[b][w - out_first] = word;
    }
  }
}

// The same, 32 residues to a comparison, where the processor has them.
__attribute__((target("avx2"))) void equal_words_32(const char* residues, std::size_t first, std::size_t end,
                                                    const std::size_t* backs, int count,
                                                    std::uint64_t* const* words, std::size_t out_first) {
  for (std::size_t w = first; w < end; ++w) {
    const char* x = residues + 64 * w;
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + 32));
    for (int b = 0; b < count; ++b) {
      const char* y = x - backs[b];
      const auto low_equal = static_cast<std::uint32_t>(
          _mm256_movemask_epi8(_mm256_cmpeq_epi8(low, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(y)))));
      const auto high_equal = static_cast<std::uint32_t>(_mm256_movemask_epi8(
          _mm256_cmpeq_epi8(high, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(y + 32)))));
      words[b][w - out_first] = static_cast<std::uint64_t>(high_equal) << 32 | low_equal;
    }
  }
}


// Bit j: residue p + j equals the one `back` before it (64 residues).
std::uint64_t equal_64(const char* p, std::size_t back) {
  std::uint64_t word = 0;
  for (int part = 0; part < 4; ++part)
    word |= static_cast<std::uint64_t>(equal_16(p + 16 * part, p + 16 * part - back)) << (16 * part);
  return word;
}
#endif

// A word near either end: the 64 residues compared are moved inside the
// sequence, and the bits moved back to their places. On a file of short
// records, residue-by-residue comparisons at both ends of each cost as much
// as all the rest.
std::uint64_t edge_word(const char* residues, std::size_t size, std::size_t w, std::size_t back) {
  const std::size_t lo = 64 * w, first = std::max(lo, back), end = std::min(lo + 64, size);
  if (first >= end) return 0;
#ifdef VELKOR_X86
  if (size >= back + 64) {
    const std::size_t base = std::min(first, size - 64);
    const std::uint64_t equal = equal_64(residues + base, back);
    const std::uint64_t placed = base >= lo ? equal << (base - lo) : equal >> (lo - base);
    const std::uint64_t from_first = ~std::uint64_t{0} << (first - lo);
    return placed & from_first & (end - lo == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << (end - lo)) - 1);
  }
#endif
  return equal_word_plainly(residues, size, w, back);
}

}  // namespace

#ifdef VELKOR_X86
bool compare_32_at_once = __builtin_cpu_supports("avx2");
#else
bool compare_32_at_once = false;
#endif

void equal_residue_words(const char* residues, std::size_t size, std::size_t first, std::size_t end,
                         const std::size_t* backs, int count, std::uint64_t* const* words) {
  std::size_t longest_back = 0;
  for (int b = 0; b < count; ++b) longest_back = std::max(longest_back, backs[b]);
  // The words whose residues, and those each back before them, all lie in
  // the sequence.
  const std::size_t inner_first = std::min(end, std::max(first, (longest_back + 63) / 64));
  const std::size_t inner_end = std::max(inner_first, std::min(end, size / 64));
  auto at_edges = [&](std::size_t from, std::size_t to) {
    for (std::size_t w = from; w < to; ++w)
      for (int b = 0; b < count; ++b) words[b][w - first] = edge_word(residues, size, w, backs[b]);
  };
  at_edges(first, inner_first);
#ifdef VELKOR_X86
  if (compare_32_at_once)
    equal_words_32(residues, inner_first, inner_end, backs, count, words, first);
  else
    equal_words_16(residues, inner_first, inner_end, backs, count, words, first);
#else
  at_edges(inner_first, inner_end);
#endif
  at_edges(inner_end, end);
}
