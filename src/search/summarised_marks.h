#ifndef VELKOR_SEARCH_SUMMARISED_MARKS_H
#define VELKOR_SEARCH_SUMMARISED_MARKS_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "search/CAnchorSeq.h"

// The mark map of the exact search with a summary of it: one bit per block of
// residues, set once any residue of the block is covered. The map holds a
// byte per residue and the search reads it at places far apart, each read a
// cache miss; the summary stays in the cache, and most starts lie where
// nothing is covered, so that all their marks are open.
class SummarisedMarks {
 public:
  SummarisedMarks(const char* seq_begin, unsigned length)
      : marks_(seq_begin, length), covered_blocks_((static_cast<std::size_t>(length) >> BLOCK_BITS) / 64 + 1, 0) {}

  void cover(const char* begin, const char* end) {
    marks_.cover(begin, end);
    if (end <= begin) return;
    const std::size_t last = block_of(end - 1);
    for (std::size_t block = block_of(begin); block <= last; ++block) {
      covered_blocks_[block / 64] |= std::uint64_t{1} << (block % 64);
    }
  }

  // CAnchorSeq::candidate_marks_open, which looks at the marks before, at
  // and after the first and the last residue of the unit copy [p, q).
  bool candidate_marks_open(const char* p, const char* q) const {
    const char* before = p == marks_.seq_begin ? p : p - 1;
    if (!covered(before) && !covered(p) && !covered(q - 1) && !covered(q)) return true;
    return marks_.candidate_marks_open(p, q);
  }

  const char* first_open(const char* p) const { return marks_.first_open(p); }

 private:
  static constexpr unsigned BLOCK_BITS = 4;
  std::size_t block_of(const char* p) const { return static_cast<std::size_t>(p - marks_.seq_begin) >> BLOCK_BITS; }
  // Whether any residue of p's block is covered; p may be the end of the
  // sequence, which nothing covers.
  bool covered(const char* p) const {
    const std::size_t block = block_of(p);
    return (covered_blocks_[block / 64] >> (block % 64)) & 1;
  }

  CAnchorSeq marks_;
  std::vector<std::uint64_t> covered_blocks_;
};

#endif
