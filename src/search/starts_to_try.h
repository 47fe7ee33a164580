#ifndef VELKOR_SEARCH_STARTS_TO_TRY_H
#define VELKOR_SEARCH_STARTS_TO_TRY_H

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "search/CAnchorSeq.h"
#include "search/score_bound.h"

// The starts of one unit length that a quick test cannot settle without
// judging their runs, as the test describes them. A stretch is `window`
// residues in a row, from residue `from` on, each equal to the one `back`
// before it, for any of the backs. The start s is concerned when a stretch
// ends from s + lo to s + hi, when an N lies from s + N_lo to s + N_hi, or
// when s < all_below (which may reach past the last start: then every start
// is concerned, and the rule costs nothing).
struct ConcernedStarts {
  long long backs[3];
  int back_count;
  long long from;
  long long window;
  long long lo, hi;
  bool Ns_concern;
  long long N_lo, N_hi;
  long long all_below;

  static ConcernedStarts all() { return {{0}, 0, 0, 1, 0, 0, false, 0, 0, LLONG_MAX}; }
};

// Bits by position with `padding` clear words before the first and after the
// last, so that words some way off either end can be read as they are.
class PaddedBits {
 public:
  void reset(std::size_t words, std::size_t padding) {
    padding_ = padding;
    bits_.assign(words + 2 * padding, 0);
  }
  std::uint64_t& operator[](std::size_t w) { return bits_[w + padding_]; }
  std::uint64_t word(std::size_t w) const { return bits_[w + padding_]; }
  std::size_t size() const { return bits_.size(); }
  // The 64 bits from bit `first` on (first may be negative, within the padding).
  std::uint64_t word_from(long long first) const {
    // Within the padding, so never negative: divided as such, by a shift.
    const std::size_t w = static_cast<std::size_t>(first + 64 * static_cast<long long>(padding_)) / 64;
    const unsigned shift = static_cast<unsigned>(first & 63);
    const std::uint64_t low = bits_[w];
    return shift == 0 ? low : low >> shift | bits_[w + 1] << (64 - shift);
  }
  // The last set bit before position end, or -1.
  long long last_set_before(long long end) const {
    if (end <= 0) return -1;
    for (long long w = end / 64; w >= 0; --w) {
      std::uint64_t bits = bits_[static_cast<std::size_t>(w) + padding_];
      if (w == end / 64) bits &= (std::uint64_t{1} << (end % 64)) - 1;
      if (bits != 0) return 64 * w + 63 - __builtin_clzll(bits);
    }
    return -1;
  }
  // The first clear bit from i on; the last at or before i. Bits past the
  // padding are taken as clear.
  std::size_t first_clear_from(std::size_t i) const {
    std::size_t w = i / 64 + padding_;
    std::uint64_t clear = ~bits_[w] & (~std::uint64_t{0} << (i % 64));
    while (clear == 0 && ++w != bits_.size()) clear = ~bits_[w];
    return clear == 0 ? (bits_.size() - padding_) * 64 : (w - padding_) * 64 + __builtin_ctzll(clear);
  }
  long long last_clear_at_or_before(std::size_t i) const {
    std::size_t w = i / 64 + padding_;
    std::uint64_t clear = ~bits_[w] & (~std::uint64_t{0} >> (63 - i % 64));
    while (clear == 0 && w-- != 0) clear = ~bits_[w];
    if (clear == 0) return -64 * static_cast<long long>(padding_) - 1;
    return (static_cast<long long>(w) - static_cast<long long>(padding_)) * 64 + 63 - __builtin_clzll(clear);
  }

 private:
  std::vector<std::uint64_t> bits_;
  std::size_t padding_ = 0;
};

// The starts that every test given leaves unsettled, marked for the whole
// sequence at once, a word of 64 starts at a time with no branch on the
// residues: a scan that stopped at each candidate and started again paid
// for its stops. The buffers serve unit length after unit length.
class StartsToTry {
 public:
  StartsToTry(const char* first, const char* end);

  // Marks the starts of unit length k that both tests leave unsettled.
  void mark(unsigned k, const ConcernedStarts& error_free, const ConcernedStarts& one_error);
  // Leaves out the starts marked whose copies the anchor map does not let
  // be tried now. The map covers more as repeats are accepted, which the
  // loop over the starts asks about, but it opens an accepted repeat's error
  // positions again: the starts whose copies have one of those at an edge
  // are taken back with reconsider_around.
  void leave_out_covered(const CAnchorSeq& anchors);
  void reconsider_around(const char* opened);
  // Leaves out the starts marked that the score bound settles; returns how many.
  long long leave_out_settled(ScoreBound& bound, int min_score) {
    return bound.leave_out_settled(static_cast<unsigned>(k_), min_score, starts_);
  }

  // The first start from p on, or the sequence's end.
  const char* first_from(const char* p) const {
    std::size_t i = static_cast<std::size_t>(p - first_);
    if (i >= size_) return first_ + size_;
    std::size_t w = i / 64;
    std::uint64_t bits = starts_[w] & (~std::uint64_t{0} << (i % 64));
    while (bits == 0) {
      if (++w == starts_.size()) return first_ + size_;
      bits = starts_[w];
    }
    return first_ + std::min(size_, w * 64 + static_cast<std::size_t>(__builtin_ctzll(bits)));
  }

  // The error-free run around the unit copy [p, p + k) of the unit length
  // marked: the residues before and after the copy that equal the residue k
  // positions nearer to it. From the bits of such residues, with no branch
  // on each residue: where a run ends, no predictor could tell.
  const char* run_end(const char* p) const {
    return first_ + periodic_->first_clear_from(static_cast<std::size_t>(p - first_) + k_);
  }
  const char* run_begin(const char* p) const {
    return first_ + (periodic_->last_clear_at_or_before(static_cast<std::size_t>(p - first_) + k_ - 1) + 1 -
                     static_cast<long long>(k_));
  }

 private:
  const char* first_;
  std::size_t size_;
  bool has_N_;
  std::vector<std::uint64_t> starts_;
  // Bit i: residue i equals residue i - back. A unit length's rules ask for
  // backs from k - 1 to k + 1, so the next unit length's ask for two of
  // them again.
  struct EqualBits {
    long long back = -1;
    PaddedBits bits;
  };
  const PaddedBits& equal_bits(long long back);

  std::size_t k_ = 0;
  bool covered_left_out_ = false;  // by leave_out_covered, for unit length k_
  EqualBits equal_[3];
  const PaddedBits* periodic_ = nullptr;  // back k
  PaddedBits equal_to_previous_;          // back 1, kept apart from the others
  // A rule's stretch ends, and the N's, by position.
  PaddedBits stretch_ends_, Ns_;
  std::size_t N_padding_ = 0;
  std::vector<std::uint32_t> N_words_before_;  // how many words before each hold an N
};

#endif
