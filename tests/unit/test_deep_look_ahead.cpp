#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "config/parameters.h"
#include "search_test_support.h"

namespace {

// A long perfect repeat running into unrelated sequence: the extension meets
// the junk with a score of several hundred, where the threshold prunes
// nothing and every look-ahead level triples the work.
std::string repeat_into_junk() {
  std::string residues;
  for (int i = 0; i < 300; ++i) residues += "AC";
  unsigned state = 12345;
  for (int i = 0; i < 2000; ++i) {
    state = state * 1103515245u + 12345u;
    residues += "ACGT"[(state >> 16) & 3];
  }
  return residues;
}

class DeepLookAhead : public SearchTest {
 protected:
  std::string extend_with_depth(int depth) {
    global_maximum_recursion_depth = depth;
    TestSequence seq(repeat_into_junk());
    CSearchController search(1, seq.mol);
    const char* first = seq.mol.residues;
    Csat* sat = sat_alloc.get_new(first, first + 2);
    search.extend_imperfect_forward(*sat, first + seq.mol.length);
    search.extend_imperfect_backward(*sat, first - 1);
    std::string text = describe(*sat, first);
    sat_alloc.give_back(sat);
    return text;
  }
};

TEST_F(DeepLookAhead, EndsQuicklyAndAgreesWithTheDeepestAffordableLookAhead) {
  const auto started = std::chrono::steady_clock::now();
  const std::string deepest = extend_with_depth(300);
  const std::string widest_exact = extend_with_depth(9);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
  EXPECT_EQ(deepest, widest_exact);
  EXPECT_EQ(deepest.rfind("[0,", 0), 0u) << deepest;
}

}  // namespace
