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

  void use_sequence(const std::string& name, const std::string& residues) {
    text = residues;
    seq.name = name;
    seq.residues = &text[0];
    seq.length = static_cast<unsigned>(text.size());
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

  std::string lines(unsigned record_number = 1) {
    return captured([&](FILE* out) { write_bed_records(out, seq, record_number, repeats); });
  }

  std::string text;
  CSequence_Mol seq;
  std::list<Csat*> repeats;
};

TEST_F(BedWriter, OneLinePerRepeatWithZeroBasedStartAndFullValues) {
  use_sequence("chr7 some description", "GGCACACACACATCACACACGGATATATATATAT");
  Csat& imperfect = repeat(3, 20, 2, 7);
  imperfect.mismatches = 1;
  imperfect.insertions = 1;
  imperfect.Ns = 2;
  repeat(23, 34, 2, 12);
  EXPECT_EQ(lines(),
            // CA is shown in its normal form, as in the report.
            "chr7\t2\t20\tAC\t7\t.\t2\t7\t17\t76.471\t1\t1\t0\t2\n"
            "chr7\t22\t34\tAT\t12\t.\t2\t12\t12\t100.000\t0\t0\t0\t0\n");

  global_report_unit_mode = 0;
  EXPECT_EQ(lines().substr(0, 16), "chr7\t2\t20\tCA\t7\t.");
}

TEST_F(BedWriter, ScoreColumnStaysWithinWhatBedAllows) {
  use_sequence("s", "ACACACACAC");
  repeat(1, 10, 2, 1500);
  repeat(1, 10, 2, -3);
  EXPECT_EQ(lines(),
            "s\t0\t10\tAC\t1000\t.\t2\t1500\t10\t100.000\t0\t0\t0\t0\n"
            "s\t0\t10\tAC\t0\t.\t2\t-3\t10\t100.000\t0\t0\t0\t0\n");
}

TEST_F(BedWriter, LeavesOutWhatTheReportLeavesOut) {
  // A unit that repeats a shorter one is not shown in the report.
  use_sequence("s", "ATATATATATAT");
  repeat(1, 12, 4, 8);
  repeat(1, 12, 2, 10);
  EXPECT_EQ(lines(), "s\t0\t12\tAT\t10\t.\t2\t10\t12\t100.000\t0\t0\t0\t0\n");
}

}  // namespace
