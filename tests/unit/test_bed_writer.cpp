#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "config/parameters.h"
#include "driver/CSequence_Mol.h"
#include "repeats/Csat.h"
#include "repeats/bed_writer.h"
#include "captured_output.h"

namespace {

class BedWriter : public ::testing::Test {
 protected:
  void SetUp() override { init_param(); }
  void TearDown() override {
    init_param();
    for (Csat* sat : repeats) sat_alloc.give_back(sat);
  }

  // The repeat from start to end (1-based, inclusive) whose unit is its
  // first unit_length residues.
  Csat& repeat(unsigned start, unsigned end, unsigned unit_length, int score) {
    Csat* sat = sat_alloc.get_new(seq.residues + start - 1, seq.residues + start - 1 + unit_length);
    sat->sat_end = seq.residues + end;
    sat->score = score;
    repeats.push_back(sat);
    return *sat;
  }

  std::string lines() {
    return captured([&](FILE* out) { write_bed_records(out, seq, 1, repeats); });
  }

  std::string text = "GGCACACACACATCACACACGGATATATATATAT";
  CSequence_Mol seq{};
  std::list<Csat*> repeats;
};

// The score column is clamped to what BED allows while the repeat's own score
// follows in full; every count has its own column; units that repeat a
// shorter one are left out as in the report.
TEST_F(BedWriter, OneLinePerReportedRepeat) {
  seq.name = "chr7 some description";
  seq.residues = &text[0];
  seq.length = static_cast<unsigned>(text.size());
  Csat& imperfect = repeat(3, 20, 2, 1500);
  imperfect.mismatches = 1;
  imperfect.insertions = 1;
  imperfect.Ns = 2;
  repeat(23, 34, 2, -3);
  repeat(23, 34, 4, 8);
  EXPECT_EQ(lines(),
            // CA is shown in its normal form, as in the report.
            "chr7\t2\t20\tAC\t1000\t.\t2\t1500\t17\t76.471\t1\t1\t0\t2\n"
            "chr7\t22\t34\tAT\t0\t.\t2\t-3\t12\t100.000\t0\t0\t0\t0\n");
  global_report_unit_mode = 0;
  EXPECT_EQ(lines().substr(0, 16), "chr7\t2\t20\tCA\t100");
}

}  // namespace
