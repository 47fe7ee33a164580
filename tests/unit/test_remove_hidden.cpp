#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/parameters.h"
#include "search/CSearchController.h"
#include "search_test_sequence.h"

namespace {

struct Planned {
  long begin, end, unit;
  int score;
};

// Records as the searches hand them over, sorted by start, then end; what
// is left of them, as "begin/unit/score", in list order; and every removed
// record back in the pool.
TEST(RemoveHidden, WhichRecordsSurvive) {
  init_param();
  TestSequence seq(std::string(64, 'A'));
  CSearchController controller(1, seq.mol);
  struct Case {
    std::vector<Planned> records;
    std::vector<std::string> left;
  } cases[] = {
      {{}, {}},
      {{{0, 20, 2, 18}}, {"0/2/18"}},
      // Each keeps a unit outside the overlap; the last one only touches.
      {{{0, 20, 2, 18}, {10, 30, 2, 18}, {30, 40, 2, 8}}, {"0/2/18", "10/2/18", "30/2/8"}},
      // 2 residues of the first lie outside the overlap, fewer than its unit of 4.
      {{{0, 20, 4, 16}, {2, 22, 2, 18}}, {"2/2/18"}},
      // Nested: the higher score stays even if inner.
      {{{0, 30, 3, 10}, {5, 15, 2, 12}, {6, 14, 2, 3}}, {"5/2/12"}},
      // B survives A, A falls to C nested inside it, and then B must still
      // meet C, which lies inside B too.
      {{{0, 30, 2, 10}, {5, 40, 2, 12}, {10, 20, 2, 15}}, {"10/2/15"}},
      // Of equal scores the first in the list stays.
      {{{4, 24, 2, 18}, {4, 24, 4, 18}}, {"4/2/18"}},
  };
  for (const Case& c : cases) {
    SatList& sats = controller.exact_sats.sats;
    for (Csat* s : sats) sat_alloc.give_back(s);
    sats.clear();
    for (const Planned& p : c.records) {
      Csat* s = sat_alloc.get_new(seq.mol.residues + p.begin, seq.mol.residues + p.begin + p.unit);
      s->sat_end = seq.mol.residues + p.end;
      s->score = p.score;
      sats.push_back(s);
    }
    const std::size_t pool_before = sat_alloc.free_list.size();
    controller.remove_hidden(controller.exact_sats);
    std::vector<std::string> left;
    for (const Csat* s : sats) {
      left.push_back(std::to_string(seq.at(s->sat_begin)) + "/" + std::to_string(s->unit_length()) + "/" +
                     std::to_string(s->score));
    }
    EXPECT_EQ(left, c.left) << c.records.size() << " records";
    EXPECT_EQ(sat_alloc.free_list.size(), pool_before + c.records.size() - left.size());
  }
}

}  // namespace
