#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search_test_support.h"
#include "search/thresholds.h"

namespace {

std::vector<int> table(const int* t, unsigned entries) { return std::vector<int>(t, t + entries); }

using ThresholdRules = SearchTest;

TEST_F(ThresholdRules, TablesFollowFloorAndLinearRule) {
  options.max_unit_length = 7;
  options.min_score = 0;
  options.min_score_bx = 1.5f;
  TestSequence seq("ACGTACGTAC");
  CSearchController controller(options, workspace, pool, 1, seq.mol);
  EXPECT_EQ(table(controller.user_thresholds().min_scores, 6), (std::vector<int>{0, 2, 3, 5, 6, 8}));
  EXPECT_EQ(table(controller.internal_thresholds().min_scores, 8), (std::vector<int>{4, 4, 4, 4, 4, 5, 6, 7}));
  EXPECT_EQ(table(controller.internal_thresholds().min_lengths, 8), std::vector<int>(8, 0));

  // The product is formed in double precision: 0.1f lies just above 0.1, so
  // 0.1f * 10 lies just above 1. The floor holds for negative factors.
  options.max_unit_length = 50;
  options.min_score = -100;
  options.min_score_a = 5;
  options.min_score_bx = 0.1f;
  options.min_length = 5;
  options.min_length_a = 40;
  options.min_length_bx = -2.0f;
  ThresholdTables tables;
  tables.cover(options, 50);
  EXPECT_EQ(tables.user().min_scores[10], 7);
  EXPECT_EQ(tables.user().min_lengths[10], 20);
  EXPECT_EQ(tables.user().min_lengths[50], 5);
}

// A worker's tables grow with the longest record it searches, and are built
// anew for other rules (a worker state reused under other options).
TEST_F(ThresholdRules, TablesGrowWithTheRecordsAndFollowTheRules) {
  options.max_unit_length = 4294967295u;
  TestSequence shorter("ACGTAC");
  const int first_entry = CSearchController(options, workspace, pool, 1, shorter.mol).user_thresholds().min_scores[6];
  TestSequence longer(std::string(5000, 'C'));
  CSearchController second(options, workspace, pool, 2, longer.mol);
  EXPECT_EQ(second.user_thresholds().min_scores[6], first_entry);
  EXPECT_EQ(second.internal_thresholds().min_scores[5000], 5000);

  options.min_score = 1000;
  CSearchController third(options, workspace, pool, 3, shorter.mol);
  EXPECT_EQ(third.user_thresholds().min_scores[6], 1000);
}

}  // namespace
