#ifndef VELKOR_SEARCH_SUMMARISED_MARKS_H
#define VELKOR_SEARCH_SUMMARISED_MARKS_H

#include <cstddef>
#include <cstdint>
#include <vector>

// The marks of the exact search, answering as CAnchorSeq, the mark map of the
// imperfect search, does: one bit per residue, set once the residue is
// covered, with a summary of them: one bit per block of residues, set once
// any residue of the block is covered. A byte per residue cost a fault and a
// clearing of every page of a map as large as the sequence, and each read far
// from the last was a cache miss; the bits take an eighth of that, and the
// summary stays in the cache, where most starts find all their marks open.
class SummarisedMarks {
 public:
  SummarisedMarks(const char* seq_begin, unsigned length)
      : seq_begin_(seq_begin),
        covered_((static_cast<std::size_t>(length) + 2) / 64 + 1, 0),
        covered_blocks_((static_cast<std::size_t>(length) >> BLOCK_BITS) / 64 + 1, 0) {}

  void cover(const char* begin, const char* end) {
    if (end <= begin) return;
    set_bits(covered_, bit_of(begin), bit_of(end));
    const std::size_t last = block_of(end - 1);
    for (std::size_t block = block_of(begin); block <= last; ++block) {
      covered_blocks_[block / 64] |= std::uint64_t{1} << (block % 64);
    }
  }

  // May a unit copy [p, q) be tried? Yes when its first residue is open and
  // either its last residue or the residue after it is open, or when the
  // residue before it and its last residue are open. The residues just
  // outside the sequence read open.
  bool candidate_marks_open(const char* p, const char* q) const {
    const char* before = p == seq_begin_ ? p : p - 1;
    if (!block_covered(before) && !block_covered(p) && !block_covered(q - 1) && !block_covered(q)) return true;
    const std::size_t i = bit_of(p);
    const std::size_t j = bit_of(q);
    return (open(i) && (open(j - 1) || open(j))) || (open(i - 1) && open(j - 1));
  }

  // The first position from p on whose mark is open, or the end of the
  // sequence.
  const char* first_open(const char* p) const {
    std::size_t word = bit_of(p) / 64;
    // The bit after the last residue is never set, so the search ends there.
    std::uint64_t open_bits = ~covered_[word] & (~std::uint64_t{0} << (bit_of(p) % 64));
    while (open_bits == 0) open_bits = ~covered_[++word];
    const std::size_t bit = word * 64 + static_cast<std::size_t>(__builtin_ctzll(open_bits));
    return seq_begin_ + (bit - 1);
  }

 private:
  // Bit x + 1 stands for residue x: bit 0 and the bit after the last residue
  // are the never covered residues just outside the sequence.
  std::size_t bit_of(const char* p) const { return static_cast<std::size_t>(p - seq_begin_) + 1; }
  bool open(std::size_t bit) const { return !((covered_[bit / 64] >> (bit % 64)) & 1); }
  static void set_bits(std::vector<std::uint64_t>& bits, std::size_t from, std::size_t to) {
    const std::uint64_t all = ~std::uint64_t{0};
    std::size_t word = from / 64;
    const std::size_t last_word = (to - 1) / 64;
    std::uint64_t mask = all << (from % 64);
    for (; word < last_word; ++word, mask = all) bits[word] |= mask;
    bits[word] |= mask & (all >> (63 - (to - 1) % 64));
  }

  static constexpr unsigned BLOCK_BITS = 4;
  std::size_t block_of(const char* p) const { return static_cast<std::size_t>(p - seq_begin_) >> BLOCK_BITS; }
  // Whether any residue of p's block is covered; p may be the end of the
  // sequence, which nothing covers.
  bool block_covered(const char* p) const {
    const std::size_t block = block_of(p);
    return (covered_blocks_[block / 64] >> (block % 64)) & 1;
  }

  const char* seq_begin_;
  std::vector<std::uint64_t> covered_;
  std::vector<std::uint64_t> covered_blocks_;
};

#endif
