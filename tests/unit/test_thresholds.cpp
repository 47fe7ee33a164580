#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search_test_support.h"

namespace {

std::vector<int> table(const int* t, unsigned entries) { return std::vector<int>(t, t + entries); }

class Thresholds : public SearchTest {
 protected:
  // The tables stay after the controller that built them.
  static void build_for(const std::string& residues) {
    TestSequence seq(residues);
    CSearchController controller(1, seq.mol);
  }
};

TEST_F(Thresholds, TablesFollowFloorAndLinearRule) {
  global_max_unit_length = 7;
  global_min_score = 0;
  global_min_score_bx = 1.5f;
  build_for("ACGTACGTAC");
  EXPECT_EQ(table(CSearchController::minScores_user, 6), (std::vector<int>{0, 2, 3, 5, 6, 8}));
  EXPECT_EQ(table(CSearchController::minScores_intern, 8), (std::vector<int>{4, 4, 4, 4, 4, 5, 6, 7}));
  EXPECT_EQ(table(CSearchController::minLengths_intern, 8), std::vector<int>(8, 0));
  EXPECT_EQ(CSearchController::minScores, CSearchController::minScores_user);
  EXPECT_EQ(CSearchController::minLengths, CSearchController::minLengths_user);

  // The product is formed in double precision: 0.1f lies just above 0.1, so
  // 0.1f * 10 lies just above 1. The floor holds for negative factors.
  CSearchController::discard_tables();
  global_max_unit_length = 50;
  global_min_score = -100;
  global_min_score_a = 5;
  global_min_score_bx = 0.1f;
  global_min_length = 5;
  global_min_length_a = 40;
  global_min_length_bx = -2.0f;
  build_for(std::string(100, 'A'));
  EXPECT_EQ(CSearchController::minScores_user[10], 7);
  EXPECT_EQ(CSearchController::minLengths_user[10], 20);
  EXPECT_EQ(CSearchController::minLengths_user[50], 5);
}

TEST_F(Thresholds, LaterControllersKeepTheFirstTables) {
  global_max_unit_length = 4294967295u;
  build_for("ACGTAC");
  const int first_entry = CSearchController::minScores_user[6];
  global_min_score = 1000;  // options never change during a run; the tables would not notice
  TestSequence longer(std::string(5000, 'C'));
  CSearchController second(2, longer.mol);
  EXPECT_EQ(CSearchController::minScores_user[6], first_entry);
  EXPECT_EQ(CSearchController::minScores_intern[5000], 5000);
}

}  // namespace
