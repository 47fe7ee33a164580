#ifndef VELKOR_SEARCH_IMPERFECT_STARTS_TO_TRY_H
#define VELKOR_SEARCH_IMPERFECT_STARTS_TO_TRY_H

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "search/CAnchorSeq.h"
#include "search/imperfect/equal_residues.h"
#include "search/imperfect/score_bound.h"

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

// Bits for the words [first, first + words) of a sequence's positions, with
// `padding` clear words before and after, so that words some way off either
// end can be read as they are. Words are named by their place in the whole
// sequence.
class PaddedBits {
 public:
  void reset(long long first, std::size_t words, std::size_t padding) {
    origin_ = first - static_cast<long long>(padding);
    bits_.assign(words + 2 * padding, 0);
  }
  std::uint64_t& operator[](long long w) { return bits_[static_cast<std::size_t>(w - origin_)]; }
  std::uint64_t word(long long w) const { return bits_[static_cast<std::size_t>(w - origin_)]; }
  // The 64 bits from bit `first` on (within the padding at worst).
  std::uint64_t word_from(long long first) const {
    // Never negative here: divided as such, by a shift.
    const std::size_t w = static_cast<std::size_t>(first - 64 * origin_) / 64;
    const unsigned shift = static_cast<unsigned>(first & 63);
    const std::uint64_t low = bits_[w];
    return shift == 0 ? low : low >> shift | bits_[w + 1] << (64 - shift);
  }
  // The last set bit from `from` to before `end`, or LLONG_MIN.
  long long last_set_in(long long from, long long end) const {
    const long long lowest = 64 * origin_;
    from = std::max(from, lowest);
    end = std::min(end, lowest + 64 * static_cast<long long>(bits_.size()));
    for (long long i = end; i > from;) {  // the bits before i are left
      const long long w = (i - 1 - lowest) / 64, base = lowest + 64 * w;
      std::uint64_t bits = bits_[static_cast<std::size_t>(w)];
      if (i - base < 64) bits &= (std::uint64_t{1} << (i - base)) - 1;
      if (bits != 0) {
        const long long last = base + 63 - __builtin_clzll(bits);
        return last >= from ? last : LLONG_MIN;
      }
      i = base;
    }
    return LLONG_MIN;
  }

 private:
  std::vector<std::uint64_t> bits_;
  long long origin_ = 0;  // the word of bits_[0]
};

// The starts that every test given leaves unsettled, marked for the whole
// sequence at once, a word of 64 starts at a time with no branch on the
// residues: a scan that stopped at each candidate and started again paid
// for its stops.
//
// What the marks are made from (the residues equal to those some way
// before them, the ends of long stretches of such residues) is worked out
// for one chunk of starts after the other, with the margin the rules reach
// beyond it: made for the whole sequence, those bits took up to seven bits
// per residue, more than three times the marks and the anchor map
// together, and were streamed through the cache for every unit length.
class StartsToTry {
 public:
  // 2^18 starts: the bits of a chunk stay in the cache between the steps
  // that make them and those that read them, and a chunk far from every N
  // skips the rules' N's (a chunk of 2^20 starts held an N more often).
  static constexpr std::size_t default_chunk_words = std::size_t{1} << 12;

  StartsToTry(const char* first, const char* end, std::size_t chunk_words = default_chunk_words)
      : StartsToTry(first, end, first, end, chunk_words) {}
  // Marks only the starts from `from` to before `to` (a part of the record
  // searched on its own), and works out and holds only what they need.
  StartsToTry(const char* first, const char* end, const char* from, const char* to,
              std::size_t chunk_words = default_chunk_words);

  // Marks the starts of unit length k that both tests leave unsettled.
  void mark(unsigned k, const ConcernedStarts& error_free, const ConcernedStarts& one_error);
  // Leaves out the starts marked whose copies the anchor map does not let
  // be tried now. The map covers more as repeats are accepted, which the
  // loop over the starts asks about, but it opens an accepted repeat's error
  // positions again: the starts whose copies have one of those at an edge
  // are taken back with reconsider_around.
  void leave_out_covered(const CAnchorSeq& anchors);
  void reconsider_around(const char* opened);
  // Leaves out the starts marked that the score bound settles; returns how
  // many. next_min_score as the bound takes it.
  long long leave_out_settled(ScoreBound& bound, int min_score, int next_min_score) {
    return bound.leave_out_settled(static_cast<unsigned>(k_), min_score, next_min_score, starts_.get(),
                                   static_cast<long long>(begin_), static_cast<long long>(end_));
  }

  // The first start marked, or the sequence's end.
  const char* first_start() const { return first_from(first_ + begin_); }
  // The first start from p on (not before the first marked), or the sequence's end.
  const char* first_from(const char* p) const {
    const auto i = static_cast<std::size_t>(p - first_);
    if (i >= size_) return first_ + size_;
    std::size_t w = i / 64;
    if (w >= end_word_) return first_ + size_;
    std::uint64_t bits = starts_[w] & (~std::uint64_t{0} << (i % 64));
    while (bits == 0) {
      if (++w >= end_word_) return first_ + size_;
      bits = starts_[w];
    }
    return first_ + std::min(size_, w * 64 + static_cast<std::size_t>(__builtin_ctzll(bits)));
  }

  // The error-free run around the unit copy [p, p + k) of the unit length
  // marked: the residues before and after the copy that equal the residue k
  // positions nearer to it. Sixteen residues are compared at a time, with
  // one branch for all of them: where a run ends, no predictor could tell.
  const char* run_end(const char* p) const {
    const char* x = p + k_;
    const char* end = first_ + size_;
#ifdef __SSE2__
    for (; end - x >= 16; x += 16) {
      const unsigned differ = ~equal_16(x, x - k_) & 0xFFFFu;
      if (differ != 0) return x + __builtin_ctz(differ);
    }
#endif
    while (x != end && *x == x[-static_cast<std::ptrdiff_t>(k_)]) ++x;
    return x;
  }
  const char* run_begin(const char* p) const {
    // Back from the copy's last residue; a residue with none k before it
    // ends the run.
    const char* x = p + k_ - 1;
    const char* lowest = first_ + k_;
#ifdef __SSE2__
    for (; x - lowest >= 15; x -= 16) {
      const unsigned differ = ~equal_16(x - 15, x - 15 - k_) & 0xFFFFu;
      if (differ != 0) return x - 15 + (31 - __builtin_clz(differ)) + 1 - k_;
    }
#endif
    while (x >= lowest && *x == x[-static_cast<std::ptrdiff_t>(k_)]) --x;
    return x + 1 - k_;
  }

 private:
  // Marks the starts of the words [from, to) for the rules, with the bits
  // they are made from worked out for the words [from - behind, to + ahead).
  void mark_chunk(std::size_t from, std::size_t to, const ConcernedStarts* const rules[2], std::size_t behind,
                  std::size_t ahead, std::size_t padding);
  // Bit i: residue i equals residue i - back, for the words of the chunk
  // being marked and every back its rules ask for.
  void make_equal_bits(const ConcernedStarts* const rules[2], long long first_word, std::size_t words);
  const PaddedBits& equal_bits(long long back) const;

  const char* first_;
  std::size_t size_;
  std::size_t chunk_words_;
  bool has_N_;
  std::size_t words_;  // of the whole sequence's starts
  // The starts marked: from begin_ to before end_, in the words from
  // begin_word_ to before end_word_, the only words of starts_ that are set
  // (a long record's parts would each take and clear memory for all).
  std::size_t begin_, end_, begin_word_, end_word_;
  std::unique_ptr<std::uint64_t[]> starts_;
  std::size_t k_ = 0;
  bool covered_left_out_ = false;  // by leave_out_covered, for unit length k_
  // Those of the chunk being marked, for the backs its rules ask for: k - 1
  // to k + 1, and 1 for the copies of one letter.
  struct EqualBits {
    long long back = -1;
    PaddedBits bits;
  };
  EqualBits equal_[most_backs_at_once];
  PaddedBits stretch_ends_;  // of a rule, in the chunk
  // The N's, by position, for the whole sequence: few records have any, and
  // a rule may ask for one far off.
  PaddedBits Ns_;
  std::size_t N_padding_ = 0;
  PaddedBits N_words_;  // bit w: word w of Ns_ holds an N
};

#endif
