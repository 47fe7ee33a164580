#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "config/parameters.h"
#include "search/CSearchController.h"
#include "search_test_sequence.h"

namespace {

struct Planned {
  long begin, end, unit;
  int score;
};

class RemoveHidden : public ::testing::Test {
 protected:
  TestSequence seq{std::string(64, 'A')};
  CSearchController controller{1, seq.mol};

  void SetUp() override {
    init_param();
    global_remove_mostly_hidden = true;
  }

  // Records as the searches hand them over: sorted by start, then end.
  void add(const std::vector<Planned>& records) {
    for (const Planned& p : records) {
      Csat* s = sat_alloc.get_new(seq.mol.residues + p.begin, seq.mol.residues + p.begin + p.unit);
      s->sat_end = seq.mol.residues + p.end;
      s->score = p.score;
      controller.exact_sats.sats.push_back(s);
    }
  }

  // (begin, score) of what is left, in list order.
  std::vector<std::pair<long, int>> survivors() {
    controller.remove_hidden(controller.exact_sats);
    std::vector<std::pair<long, int>> left;
    for (const Csat* s : controller.exact_sats.sats) left.emplace_back(seq.at(s->sat_begin), s->score);
    return left;
  }
};

using Left = std::vector<std::pair<long, int>>;

TEST_F(RemoveHidden, WhichRecordsSurvive) {
  struct Case {
    std::vector<Planned> records;
    Left left;
  } cases[] = {
      {{}, {}},
      {{{0, 20, 2, 18}}, {{0, 18}}},
      // Each keeps a unit outside the overlap; the last one only touches.
      {{{0, 20, 2, 18}, {10, 30, 2, 18}, {30, 40, 2, 8}}, {{0, 18}, {10, 18}, {30, 8}}},
      // 2 residues of the first lie outside the overlap, fewer than its unit of 4.
      {{{0, 20, 4, 16}, {2, 22, 2, 18}}, {{2, 18}}},
      // Nested: the higher score stays even if inner.
      {{{0, 30, 3, 10}, {5, 15, 2, 12}}, {{5, 12}}},
      // B survives A, A falls to C nested inside it, and then B must still
      // meet C, which lies inside B too.
      {{{0, 30, 2, 10}, {5, 40, 2, 12}, {10, 20, 2, 15}}, {{10, 15}}},
  };
  for (const Case& c : cases) {
    for (Csat* s : controller.exact_sats.sats) sat_alloc.give_back(s);
    controller.exact_sats.sats.clear();
    add(c.records);
    EXPECT_EQ(survivors(), c.left) << c.records.size() << " records";
  }
}

TEST_F(RemoveHidden, EqualScoresKeepTheFirstInTheList) {
  add({{4, 24, 2, 18}, {4, 24, 4, 18}});
  EXPECT_EQ(survivors(), (Left{{4, 18}}));
  EXPECT_EQ(controller.exact_sats.sats.front()->unit_end - controller.exact_sats.sats.front()->unit_begin, 2);
}

TEST_F(RemoveHidden, RemovedRecordsGoBackToThePool) {
  add({{0, 30, 3, 10}, {5, 15, 2, 12}, {6, 14, 2, 3}});
  std::size_t pool_before = sat_alloc.free_list.size();
  survivors();
  EXPECT_EQ(sat_alloc.free_list.size(), pool_before + 2);
}

}  // namespace
