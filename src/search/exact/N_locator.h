#ifndef VELKOR_SEARCH_EXACT_N_LOCATOR_H
#define VELKOR_SEARCH_EXACT_N_LOCATOR_H

#include <cstddef>
#include <cstdint>
#include <vector>

// Finds the next N of a sequence. The exact search walks the sequence once
// per unit length and asks for the next N all along; in a long sequence with
// a few N's each walk would read on to the next N again and again. One bit
// per block of residues, set when the block holds an N, lets the search pass
// over blocks without any.
class NLocator {
 public:
  NLocator(const char* begin, const char* end);

  // The first N at or after p, or the end of the sequence.
  const char* first_N_from(const char* p) const;

 private:
  static constexpr unsigned BLOCK_BITS = 12;
  const char* begin_;
  const char* end_;
  std::vector<std::uint64_t> blocks_with_N_;
};

#endif
