#ifndef VELKOR_SEARCH_CANCHORSEQ_H
#define VELKOR_SEARCH_CANCHORSEQ_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

// The candidate test for each of the sixteen ways the four marks around a
// unit copy can be covered: bit 0 the residue before the copy, 1 its first,
// 2 its last, 3 the residue after it.
constexpr std::uint16_t candidate_test_table() {
  std::uint16_t table = 0;
  for (unsigned i = 0; i < 16; ++i) {
    const bool before = !(i & 1), first = !(i & 2), last = !(i & 4), after = !(i & 8);
    if ((first && (last || after)) || (before && last)) table |= static_cast<std::uint16_t>(1u << i);
  }
  return table;
}

// The anchor map of the searches: one mark per residue, open until an
// accepted repeat covers the residue. The residues just outside the
// sequence always read open.
//
// The marks are bits: a byte per residue cost a fault and a clearing of every
// page of a map as large as the sequence, and as much memory again as the
// residues; the bits take an eighth of that, and stay in the cache longer.
class CAnchorSeq {
 public:
  // A clear word past the marks lets any start's word be read with the next.
  CAnchorSeq(const char* seq_begin, unsigned length) : CAnchorSeq(seq_begin, length, 0, length) {}
  // Only the marks of the residues from `from` to before `to` are kept (for
  // a part of a record searched on its own): the others read open, and stay
  // so. Each start asked about must read its marks in there.
  // (The words of the others are not even set: a long record's parts would
  // each take and clear memory for all of them.)
  CAnchorSeq(const char* seq_begin, unsigned length, std::size_t from, std::size_t to)
      : seq_begin_(seq_begin),
        lowest_bit_(from + 1),
        end_bit_(std::min<std::size_t>(to, length) + 1),
        first_word_(lowest_bit_ / 64),
        end_word_((end_bit_ + 1) / 64 + 3),
        covered_(new std::uint64_t[end_word_]) {
    open_all();
  }

  void open_all() { std::fill(&covered_[first_word_], &covered_[0] + end_word_, 0); }
  bool open(const char* p) const { return !covered(bit_of(p)); }
  // Whether p's mark is kept (and may be covered).
  bool kept(const char* p) const { return bit_of(p) >= lowest_bit_ && bit_of(p) < end_bit_; }
  void open_at(const char* p) {
    if (!kept(p)) return;
    const std::size_t bit = bit_of(p);
    covered_[bit / 64] &= ~(std::uint64_t{1} << (bit % 64));
  }
  void cover(const char* begin, const char* end) {
    const std::size_t from = std::max(bit_of(begin), lowest_bit_);
    const std::size_t to = std::min(bit_of(end), end_bit_);
    if (to <= from) return;
    const std::uint64_t all = ~std::uint64_t{0};
    std::size_t w = from / 64;
    const std::size_t last_word = (to - 1) / 64;
    std::uint64_t mask = all << (from % 64);
    for (; w < last_word; ++w, mask = all) covered_[w] |= mask;
    covered_[w] |= mask & (all >> (63 - (to - 1) % 64));
  }

  // May a unit copy [p, q) be tried? Yes when its first residue is open and
  // either its last residue or the residue after it is open, or when the
  // residue before it and its last residue are open.
  bool candidate_marks_open(const char* p, const char* q) const {
    const unsigned around_first = covered_pair(bit_of(p) - 1);  // the residue before, the first
    const unsigned around_end = covered_pair(bit_of(q) - 1);    // the last, the one after
    return (candidate_table >> (around_first | around_end << 2)) & 1;
  }

  // Bit j: may the unit copy of length k from residue 64 w + j be tried, as
  // candidate_marks_open tells? For 64 starts at once (w up to the last
  // residue's word).
  std::uint64_t candidate_starts(std::size_t w, std::size_t k) const {
    const std::uint64_t before = ~covered_[w];
    if (k + 1 >= 64) {
      return (open_from(64 * w + 1) & (open_from(64 * w + k) | open_from(64 * w + k + 1))) |
             (before & open_from(64 * w + k));
    }
    // Within the word and the next, which is always there.
    const std::uint64_t low = covered_[w], high = covered_[w + 1];
    auto open_at = [&](std::size_t j) { return ~(low >> j | high << (64 - j)); };  // 0 < j < 64
    return (open_at(1) & (open_at(k) | open_at(k + 1))) | (before & open_at(k));
  }

  // The first position from p on whose mark is open, or the end of the
  // sequence.
  const char* first_open(const char* p) const {
    std::size_t w = bit_of(p) / 64;
    // The bit after the last mark kept is never set, so the search ends there.
    std::uint64_t open_bits = ~covered_[w] & (~std::uint64_t{0} << (bit_of(p) % 64));
    while (open_bits == 0) open_bits = ~covered_[++w];
    const std::size_t bit = w * 64 + static_cast<std::size_t>(__builtin_ctzll(open_bits));
    return seq_begin_ + (bit - 1);
  }

 private:
  // Bit x + 1 stands for residue x: bit 0 and the bit after the last residue
  // are the never covered residues just outside the sequence.
  std::size_t bit_of(const char* p) const { return static_cast<std::size_t>(p - seq_begin_) + 1; }
  bool covered(std::size_t bit) const { return (covered_[bit / 64] >> (bit % 64)) & 1; }
  // The 64 marks from bit b on, set where open; bits past the map read open.
  std::uint64_t open_from(std::size_t b) const {
    const std::size_t w = b / 64, shift = b % 64;
    const std::uint64_t low = w < end_word_ ? covered_[w] : 0;
    const std::uint64_t high = w + 1 < end_word_ ? covered_[w + 1] : 0;
    return ~(shift == 0 ? low : low >> shift | high << (64 - shift));
  }
  // Bits bit and bit + 1, in bits 0 and 1.
  unsigned covered_pair(std::size_t bit) const {
    std::uint64_t pair = covered_[bit / 64] >> (bit % 64);
    if (bit % 64 == 63) pair |= covered_[bit / 64 + 1] << 1;
    return static_cast<unsigned>(pair & 3);
  }

  static constexpr std::uint16_t candidate_table = candidate_test_table();

  const char* seq_begin_;
  // The bits of the marks kept; bit x + 1 stands for residue x.
  std::size_t lowest_bit_, end_bit_;
  std::size_t first_word_, end_word_;  // those set, clear words past the marks kept among them
  std::unique_ptr<std::uint64_t[]> covered_;
};

#endif
