#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/parameters.h"
#include "search/CSearchController.h"
#include "search_test_sequence.h"

namespace {

std::vector<int> table(const int* t, unsigned entries) { return std::vector<int>(t, t + entries); }

class Thresholds : public ::testing::Test {
 protected:
  void SetUp() override {
    init_param();
    CSearchController::discard_tables();
  }
  void TearDown() override { CSearchController::discard_tables(); }
};

TEST_F(Thresholds, TablesFollowFloorAndLinearRule) {
  global_max_unit_length = 7;
  global_min_score = 0;
  global_min_score_a = 0;
  global_min_score_bx = 1.5f;
  TestSequence seq("ACGTACGTAC");
  CSearchController controller(1, seq.mol);
  EXPECT_EQ(table(CSearchController::minScores_user, 6), (std::vector<int>{0, 2, 3, 5, 6, 8}));
  EXPECT_EQ(table(CSearchController::minScores_intern, 8), (std::vector<int>{4, 4, 4, 4, 4, 5, 6, 7}));
  EXPECT_EQ(table(CSearchController::minLengths_intern, 8), std::vector<int>(8, 0));
  EXPECT_EQ(CSearchController::minScores, CSearchController::minScores_user);
  EXPECT_EQ(CSearchController::minLengths, CSearchController::minLengths_user);
}

TEST_F(Thresholds, ProductFormedInDoublePrecision) {
  // 0.1f lies just above 0.1, so 0.1f * 10 lies just above 1.
  global_max_unit_length = 10;
  global_min_length = -100;
  global_min_length_a = 5;
  global_min_length_bx = 0.1f;
  TestSequence seq("ACGTACGTACGT");
  CSearchController controller(1, seq.mol);
  EXPECT_EQ(CSearchController::minLengths_user[10], 7);
}

TEST_F(Thresholds, FloorHoldsForSmallAndNegativeFactors) {
  global_max_unit_length = 50;
  global_min_score = 12;
  global_min_score_a = 3;
  global_min_score_bx = 0.0f;
  global_min_length = 5;
  global_min_length_a = 40;
  global_min_length_bx = -2.0f;
  TestSequence seq(std::string(100, 'A'));
  CSearchController controller(1, seq.mol);
  EXPECT_EQ(table(CSearchController::minScores_user, 51), std::vector<int>(51, 12));
  EXPECT_EQ(CSearchController::minLengths_user[10], 20);
  EXPECT_EQ(CSearchController::minLengths_user[50], 5);
}

TEST_F(Thresholds, LaterControllersKeepTheFirstTables) {
  global_max_unit_length = 4294967295u;
  TestSequence shorter("ACGTAC");
  TestSequence longer(std::string(5000, 'C'));
  int first_entry;
  {
    CSearchController first(1, shorter.mol);
    first_entry = CSearchController::minScores_user[6];
    CSearchController::minScores = CSearchController::minScores_intern;
  }
  global_min_score = 1000;  // options never change during a run; the tables would not notice
  CSearchController second(2, longer.mol);
  EXPECT_EQ(CSearchController::minScores_user[6], first_entry);
  EXPECT_EQ(CSearchController::minScores, CSearchController::minScores_user) << "every controller starts with the user tables";
  EXPECT_EQ(CSearchController::minScores_intern[5000], 5000);
}

}  // namespace
