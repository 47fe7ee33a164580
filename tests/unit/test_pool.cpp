#include <gtest/gtest.h>

#include "repeats/Csat.h"

TEST(Pool, LastReturnedIsFirstReused) {
  static const char residues[] = "ACGTACGT";
  Csat* r1 = sat_alloc.get_new(residues, residues + 2);
  Csat* r2 = sat_alloc.get_new(residues, residues + 2);
  Csat* r3 = sat_alloc.get_new(residues, residues + 2);
  sat_alloc.give_back(r1);
  sat_alloc.give_back(r2);
  sat_alloc.give_back(r3);
  EXPECT_EQ(sat_alloc.get_new(residues, residues + 3), r3);
  EXPECT_EQ(sat_alloc.get_new(residues, residues + 3), r2);
  EXPECT_EQ(sat_alloc.get_new(residues, residues + 3), r1);
  sat_alloc.give_back(r1);
  sat_alloc.give_back(r2);
  sat_alloc.give_back(r3);
}
