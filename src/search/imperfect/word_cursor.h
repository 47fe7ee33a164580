#ifndef VELKOR_SEARCH_IMPERFECT_WORD_CURSOR_H
#define VELKOR_SEARCH_IMPERFECT_WORD_CURSOR_H

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

// A word holding any residue other than A, C, G and T, which it shares with
// every unit.
constexpr std::uint32_t wild_word = UINT32_MAX;

// The residues from one before a position to `length` letters from it, two
// bits a letter, moved along the sequence one residue at a time: the words
// of up to length letters (at most fifteen) that start at the position or
// one residue before it. Each window edge of the score bound's sweep has
// one: a word for every residue would take two bytes per residue of memory.
// The length is fixed at compiling, since the cursors' shifts and masks are
// most of the sweep's work, and so is whether the sequence holds residues
// other than A, C, G and T: most records hold none, and then no word is
// wild.
template <long long length, bool with_others>
class WordCursor {
 public:
  WordCursor(const char* first, long long size, long long at) : first_(first), size_(size), at_(at) {
    for (long long i = std::max(0LL, at - 1); i < std::min(at + length, size); ++i) take(i, at + length - 1 - i);
  }
  // The word of `letters` letters from the cursor, or from one residue
  // before it; only asked where the word lies in the sequence.
  std::uint32_t word(long long letters) const { return word_ending(length - letters, letters); }
  std::uint32_t word_before(long long letters) const { return word_ending(length + 1 - letters, letters); }
  bool inside(long long letters) const { return at_ >= 0 && at_ <= size_ - letters; }
  bool inside_before(long long letters) const { return at_ >= 1 && at_ - 1 <= size_ - letters; }
  long long at() const { return at_; }
  void advance() {
    ++at_;
    code_ <<= 2;
    if (with_others) others_ <<= 1;
    if (at_ + length - 1 >= 0 && at_ + length - 1 < size_) take(at_ + length - 1, 0);
  }

 private:
  // Two bits a letter; -1 for any other residue.
  static constexpr std::array<signed char, 256> letter_codes = [] {
    std::array<signed char, 256> codes{};
    for (signed char& code : codes) code = -1;
    codes['A'] = 0, codes['C'] = 1, codes['G'] = 2, codes['T'] = 3;
    return codes;
  }();

  // The residue at i, which lies `newer` letters before the newest one kept.
  void take(long long i, long long newer) {
    const int c = letter_codes[static_cast<unsigned char>(first_[i])];
    if (with_others && c < 0)
      others_ |= std::uint64_t{1} << newer;
    else
      code_ |= static_cast<std::uint64_t>(c) << (2 * newer);
  }
  // The word of `letters` letters whose last one lies `newer` letters
  // before the newest one kept.
  std::uint32_t word_ending(long long newer, long long letters) const {
    if (with_others && (others_ >> newer) & ((std::uint64_t{1} << letters) - 1)) return wild_word;
    return static_cast<std::uint32_t>((code_ >> (2 * newer)) & ((std::uint64_t{1} << (2 * letters)) - 1));
  }

  const char* first_;
  long long size_;
  long long at_;
  // Two bits a letter, and a bit for each other residue, the newest lowest;
  // older letters are shifted out past the top.
  std::uint64_t code_ = 0, others_ = 0;
};

#endif
