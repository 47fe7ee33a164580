#ifndef VELKOR_SEARCH_WORD_CURSOR_H
#define VELKOR_SEARCH_WORD_CURSOR_H

#include <algorithm>
#include <cstdint>

// The word starting at one residue, two bits a letter or wild, moved along
// the sequence one residue at a time (words of up to fifteen letters). Each
// window edge of the score bound's sweep has one: a word for every residue
// would take two bytes per residue of memory.
class WordCursor {
 public:
  // Two bits a letter; -1 for any other residue, which a word holding it
  // shares with every unit.
  static int letter_code(char c) {
    switch (c) {
      case 'A': return 0;
      case 'C': return 1;
      case 'G': return 2;
      case 'T': return 3;
      default: return -1;
    }
  }
  static constexpr std::uint32_t wild = UINT32_MAX;  // a word with any other residue

  WordCursor(const char* first, long long size, long long g, long long at)
      : first_(first), size_(size), g_(g), mask_((std::uint32_t{1} << (2 * g)) - 1), at_(at) {
    for (long long i = std::max(0LL, at); i < std::min(at + g, size); ++i) take(i);
  }
  // The word at the cursor; only asked where the word lies in the sequence.
  std::uint32_t word() const { return last_N_ >= at_ ? wild : code_; }
  bool inside() const { return at_ >= 0 && at_ <= size_ - g_; }
  long long at() const { return at_; }
  void advance() {
    ++at_;
    if (at_ + g_ - 1 >= 0 && at_ + g_ - 1 < size_) take(at_ + g_ - 1);
  }

 private:
  void take(long long i) {
    const int c = letter_code(first_[i]);
    if (c < 0) last_N_ = i;
    code_ = (code_ << 2 | static_cast<std::uint32_t>(c < 0 ? 0 : c)) & mask_;
  }

  const char* first_;
  long long size_, g_;
  std::uint32_t mask_, code_ = 0;
  long long at_, last_N_ = -1;
};

#endif
