#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "search/CAnchorSeq.h"

namespace {

// One byte per residue and one open guard on each side: the plain reading
// of the anchor map's rules.
struct ByteMarks {
  std::string open;  // open[x + 1] for residue x
  explicit ByteMarks(unsigned length) : open(length + 2, 1) {}
  bool at(long x) const { return open[static_cast<std::size_t>(x + 1)]; }
  bool candidate(long i, long j) const { return (at(i) && (at(j - 1) || at(j))) || (at(i - 1) && at(j - 1)); }
  long first_open(long x) const {
    while (!at(x)) ++x;
    return x;
  }
};

}  // namespace

// The marks are bits, read start by start and 64 starts at once. The first
// round covers whole words up to the last residue, leaving only the end open.
TEST(AnchorMap, AnswersAsOneBytePerResidue) {
  std::mt19937 random(20261207);
  auto below = [&random](unsigned n) { return static_cast<unsigned>(random() % n); };
  for (int round = 0; round < 80; ++round) {
    const unsigned length = round == 0 ? 256 : 1 + below(round % 4 == 0 ? 70 : 400);
    const std::string residues(length, 'A');
    const char* first = residues.data();
    ByteMarks plain(length);
    CAnchorSeq bits(first, length);
    // A map keeping the marks of a part of a record only, wherever it reads them.
    const unsigned kept_from = below(length), kept_to = kept_from + below(length - kept_from + 1);
    ByteMarks plain_kept(length);
    CAnchorSeq kept(first, length, kept_from, kept_to);
    // A map answers for the marks it keeps, [from, to); a copy there reads
    // the mark before it, which only a whole map has at its first residue.
    auto check = [&](const CAnchorSeq& map, const ByteMarks& marks, unsigned from, unsigned to, bool whole) {
      const std::string where = "round " + std::to_string(round) + " keeping [" + std::to_string(from) + "," +
                                std::to_string(to) + ") at ";
      for (unsigned i = from; i < to + whole; ++i) {
        if (i < to) {
          ASSERT_EQ(map.open(first + i), marks.at(i)) << where << i;
        }
        ASSERT_EQ(map.first_open(first + i) - first, marks.first_open(i)) << where << i;
      }
      for (unsigned k = 1; k <= 70 && k < length; ++k) {
        for (unsigned i = from + !whole; i + k < to; ++i)
          ASSERT_EQ(map.candidate_marks_open(first + i, first + i + k), marks.candidate(i, i + k)) << where << i;
        for (unsigned w = (from + !whole) / 64; 64 * w < to && 64 * w + k < length; ++w) {
          for (unsigned i = 64 * w; i < 64 * w + 64 && i + k < length; ++i)
            ASSERT_EQ((map.candidate_starts(w, k) >> (i % 64)) & 1, marks.candidate(i, i + k) ? 1u : 0u)
                << where << "the word of " << i << ", k " << k;
        }
      }
    };
    for (unsigned change = 1 + below(10); change > 0; --change) {
      const unsigned begin = round == 0 ? 0 : below(length);
      if (below(3) == 0) {
        plain.open[begin + 1] = 1;
        plain_kept.open[begin + 1] = 1;
        bits.open_at(first + begin);
        kept.open_at(first + begin);
      } else {
        const unsigned end = round == 0 ? length : std::min(length, begin + below(below(3) == 0 ? 200 : 12));
        std::fill(plain.open.begin() + begin + 1, plain.open.begin() + end + 1, 0);
        const unsigned kept_begin = std::max(begin, kept_from), kept_end = std::min(end, kept_to);
        if (kept_begin < kept_end)
          std::fill(plain_kept.open.begin() + kept_begin + 1, plain_kept.open.begin() + kept_end + 1, 0);
        bits.cover(first + begin, first + end);
        kept.cover(first + begin, first + end);
      }
      ASSERT_NO_FATAL_FAILURE(check(kept, plain_kept, kept_from, kept_to, false));
      ASSERT_NO_FATAL_FAILURE(check(bits, plain, 0, length, true));
    }
  }
}
