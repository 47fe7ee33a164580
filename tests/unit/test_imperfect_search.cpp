#include <gtest/gtest.h>

#include "config/parameters.h"
#include "search_test_support.h"

namespace {

using Records = std::vector<std::string>;

// By default unit lengths 1 to 6 are searched with minimum score 6 and
// minimum normalised length 1 for every unit length.
using ImperfectSearch = SearchTest;

TEST_F(ImperfectSearch, WhereCopiesAreTried) {
  struct Case {
    const char* residues;
    unsigned min_k, max_k;
    Records expected;
  } cases[] = {
      {"", 1, 6, {}},
      {"A", 1, 6, {}},
      {"NNNNNNNNNNNNNNNNNNNN", 1, 6, {}},
      // Units longer than the sequence are not searched.
      {"ACGTA", 1, 4294967295u, {}},
  };
  for (const Case& c : cases) {
    global_min_unit_length = c.min_k;
    global_max_unit_length = c.max_k;
    EXPECT_EQ(imperfect_records(c.residues, false), c.expected) << c.residues;
  }
  // Of the two copies of length 3, CGT ends at the last residue and is never
  // tried, and NCG holds an N; any record would pass these thresholds.
  global_min_unit_length = 3;
  global_max_unit_length = 3;
  global_min_score = global_min_score_a = -1000;
  global_min_length = 0;
  EXPECT_EQ(imperfect_records("NCGT", false), Records{});
}

TEST_F(ImperfectSearch, ExactSeedsAreKeptOnlyUnderTheUserThresholds) {
  // ACACAC scores 4: a seed under the internal thresholds, too weak for the
  // user's; it cannot be extended over the G.
  EXPECT_EQ(imperfect_records("ACACACGTT", true), Records{});
  global_min_score = 4;
  EXPECT_EQ(imperfect_records("ACACACGTT", true), Records{"[0,6) AC 4 0/0/0/0"});
  EXPECT_EQ(imperfect_records("", true), Records{});
}

}  // namespace
