#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "search_test_support.h"

namespace {

class Extension : public SearchTest {
 protected:
  // The record that the copy of the first two residues grows into.
  std::string grown_from_the_start(const std::string& residues) {
    TestSequence seq(residues);
    CSearchController search(options, workspace, pool, 1, seq.mol);
    Csat* sat = grown_copy(search, 0, 2);
    std::string text = describe(*sat, seq.mol.residues);
    pool.give_back(sat);
    return text;
  }
};

// No error fits within a reduction of 6 or less, nor costs less than
// INT_MIN allows: the walk stops at the mismatch instead of overflowing.
TEST_F(Extension, ExtremeOptionValuesAreSafe) {
  const int settings[][3] = {{6, -6, -6}, {INT_MIN, -6, -6}, {INT_MAX, INT_MIN, INT_MIN}};
  for (const auto& setting : settings) {
    options.maximum_scorereduction = setting[0];
    options.mismatch_score = setting[1];
    options.indel_score = setting[2];
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
  auto at_depth = [this](const std::string& residues, int depth) {
    options.maximum_recursion_depth = depth;
    return grown_from_the_start(residues);
  };
  const std::string deepest = at_depth(into_junk, 300);
  EXPECT_EQ(at_depth(into_junk, 9), deepest);
  EXPECT_EQ(deepest.rfind("[0,", 0), 0u) << deepest;

  options.maximum_scorereduction = 7;
  const std::string eight_bit = at_depth(mismatch_every_eighth, 255);
  EXPECT_EQ(at_depth(mismatch_every_eighth, 100000), eight_bit);
  // Each mismatch at a G costs 6 and the seven residues after it gain 7; the
  // last G has nothing after it.
  EXPECT_EQ(eight_bit.substr(0, 28), "[0,31999) AC 4004 3999/0/0/0");
}

}  // namespace
