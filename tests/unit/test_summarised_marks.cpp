#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "search/CAnchorSeq.h"
#include "search/summarised_marks.h"

// The exact search keeps its marks in bits; after any covering, short and
// long, across word and block edges and at both ends, they must answer as
// the mark map of one byte per residue does, for the candidate test and for
// the next open position alike. The first round fills whole words and ends
// on the last residue, which leaves only the end of the sequence open.
TEST(SummarisedMarks, AnswerAsTheByteMarkMap) {
  std::mt19937 random(20261207);
  auto below = [&random](unsigned n) { return static_cast<unsigned>(random() % n); };
  for (int round = 0; round < 80; ++round) {
    const unsigned length = round == 0 ? 256 : 1 + below(round % 4 == 0 ? 70 : 400);
    const std::string residues(length, 'A');
    const char* first = residues.data();
    CAnchorSeq plain(first, length);
    SummarisedMarks bits(first, length);
    for (unsigned covering = 1 + below(10); covering > 0; --covering) {
      const unsigned begin = round == 0 ? 0 : below(length);
      const unsigned end = round == 0 ? length : std::min(length, begin + below(below(3) == 0 ? 200 : 12));
      plain.cover(first + begin, first + end);
      bits.cover(first + begin, first + end);
      for (unsigned i = 0; i <= length; ++i) {
        ASSERT_EQ(bits.first_open(first + i), plain.first_open(first + i)) << "round " << round << " from " << i;
      }
      for (unsigned k = 1; k <= 70 && k < length; ++k) {
        for (unsigned i = 0; i + k < length; ++i) {
          ASSERT_EQ(bits.candidate_marks_open(first + i, first + i + k),
                    plain.candidate_marks_open(first + i, first + i + k))
              << "round " << round << " unit copy [" << i << "," << i + k << ")";
        }
      }
    }
  }
}
