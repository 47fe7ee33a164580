#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "config/parameters.h"
#include "random_search.h"
#include "search/shortcut_counts.h"
#include "search_test_support.h"

namespace {

class Extension : public SearchTest {
 protected:
  // The record that the copy of the first two residues grows into.
  static std::string grown_from_the_start(const std::string& residues) {
    TestSequence seq(residues);
    CSearchController search(1, seq.mol);
    Csat* sat = grown_copy(search, 0, 2);
    std::string text = describe(*sat, seq.mol.residues);
    sat_alloc.give_back(sat);
    return text;
  }
};

// No error fits within a reduction of 6 or less, nor costs less than
// INT_MIN allows: the walk stops at the mismatch instead of overflowing.
TEST_F(Extension, ExtremeOptionValuesAreSafe) {
  const int settings[][3] = {{6, -6, -6}, {INT_MIN, -6, -6}, {INT_MAX, INT_MIN, INT_MIN}};
  for (const auto& setting : settings) {
    global_maximum_scorereduction = setting[0];
    global_mismatch_score = setting[1];
    global_indel_score = setting[2];
    EXPECT_EQ(grown_from_the_start("ACACACACGCACACACAC"), "[0,8) AC 6 0/0/0/0") << setting[0] << " " << setting[1];
  }
}

// A depth beyond what the walk can afford acts as the deepest it affords:
// a perfect repeat running into unrelated sequence meets it with a score
// where the threshold prunes nothing and every level triples the work.
TEST_F(Extension, DeepLookAheadActsAsTheDeepestAffordable) {
  std::string mismatch_every_eighth;
  for (int i = 0; i < 4000; ++i) mismatch_every_eighth += "ACACACAG";
  std::string into_junk;
  for (int i = 0; i < 300; ++i) into_junk += "AC";
  std::mt19937 rng(12345);
  for (int i = 0; i < 2000; ++i) into_junk += "ACGT"[rng() % 4];
  auto at_depth = [](const std::string& residues, int depth) {
    global_maximum_recursion_depth = depth;
    return grown_from_the_start(residues);
  };
  const std::string deepest = at_depth(into_junk, 300);
  EXPECT_EQ(at_depth(into_junk, 9), deepest);
  EXPECT_EQ(deepest.rfind("[0,", 0), 0u) << deepest;

  global_maximum_scorereduction = 7;
  const std::string eight_bit = at_depth(mismatch_every_eighth, 255);
  EXPECT_EQ(at_depth(mismatch_every_eighth, 100000), eight_bit);
  // Each mismatch at a G costs 6 and the seven residues after it gain 7; the
  // last G has nothing after it.
  EXPECT_EQ(eight_bit.substr(0, 28), "[0,31999) AC 4004 3999/0/0/0");
}

// A forward walk's choices survive the shift of its scores it claims (the
// starts after a rejected copy are passed over on that claim): grown again
// from a score lower by that much, a copy takes the same errors to the same end.
class ClaimedShifts : public RandomSearch {};

TEST_F(ClaimedShifts, WalksGrowAlikeWithEveryScoreLower) {
  long long compared = 0;
  for (int round = 0; round < 300; ++round) {
    const bool long_units = round % 2 == 0;
    random_options(long_units);
    const std::string residues = random_sequence(long_units);
    TestSequence seq(residues);
    const char* first = seq.mol.residues;
    const unsigned n = seq.mol.length;
    for (int probe = 0; probe < 20; ++probe) {
      const unsigned k = global_min_unit_length + below(global_max_unit_length - global_min_unit_length + 1);
      if (k >= n) break;
      const unsigned p = below(n - k);
      if (residues.find('N', p) < p + k) continue;
      // Each walk with a search of its own: no trail of one is met by the other.
      auto grown = [&](int start_score, long long* shifts) {
        CSearchController search(1, seq.mol);
        Csat* sat = sat_alloc.get_new(first + p, first + p + k);
        sat->score = start_score;
        const long long survived = search.grow_forward(*sat);
        if (shifts) *shifts = survived;
        sat->score -= start_score;
        std::string text = describe(*sat, first);
        sat_alloc.give_back(sat);
        return text;
      };
      long long shifts = 0;
      const std::string walked = grown(0, &shifts);
      if (shifts <= 0 || shifts == LLONG_MAX) continue;
      ++compared;
      const int shift = static_cast<int>(std::min<long long>(shifts, 1000));
      ASSERT_EQ(grown(-shift, nullptr), walked)
          << "copy at " << p << " k " << k << " shift " << shift << " " << residues << options();
    }
  }
  EXPECT_GT(compared, 300);
}

}  // namespace
