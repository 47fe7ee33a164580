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
      for (unsigned i = kept_from; i < kept_to; ++i) {
        ASSERT_EQ(kept.open(first + i), plain_kept.at(i)) << "round " << round << " at " << i;
        ASSERT_EQ(kept.first_open(first + i) - first, plain_kept.first_open(i)) << "round " << round << " from " << i;
      }
      for (unsigned k = 1; k <= 70 && k < length; ++k) {
        for (unsigned i = kept_from + 1; i + k + 1 <= kept_to && i + k < length; ++i)
          ASSERT_EQ(kept.candidate_marks_open(first + i, first + i + k), plain_kept.candidate(i, i + k))
              << "round " << round << " kept [" << kept_from << "," << kept_to << "), copy at " << i;
        for (unsigned w = (kept_from + 1) / 64; 64 * w < kept_to && 64 * w + k < length; ++w) {
          for (unsigned i = 64 * w; i < 64 * w + 64 && i + k < length; ++i)
            ASSERT_EQ((kept.candidate_starts(w, k) >> (i % 64)) & 1, plain_kept.candidate(i, i + k) ? 1u : 0u)
                << "round " << round << " kept [" << kept_from << "," << kept_to << "), word of copy at " << i;
        }
      }
      for (unsigned i = 0; i <= length; ++i) {
        if (i < length) {
          ASSERT_EQ(bits.open(first + i), plain.at(i)) << "round " << round << " at " << i;
        }
        ASSERT_EQ(bits.first_open(first + i) - first, plain.first_open(i)) << "round " << round << " from " << i;
      }
      for (unsigned k = 1; k <= 70 && k < length; ++k) {
        for (unsigned i = 0; i + k < length; ++i) {
          ASSERT_EQ(bits.candidate_marks_open(first + i, first + i + k), plain.candidate(i, i + k))
              << "round " << round << " unit copy [" << i << "," << i + k << ")";
          ASSERT_EQ((bits.candidate_starts(i / 64, k) >> (i % 64)) & 1, plain.candidate(i, i + k) ? 1u : 0u)
              << "round " << round << " word of unit copy [" << i << "," << i + k << ")";
        }
      }
    }
  }
}
