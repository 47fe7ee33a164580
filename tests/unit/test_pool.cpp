#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <list>
#include <string>

#include "config/parameters.h"
#include "driver/exit_codes.h"
#include "repeats/Csat.h"
#include "repeats/faststring.h"

namespace {
const char residues[] = "ACGTACGTACGTACGTACGTACGT";
}

TEST(Pool, ReusedRecordIsFreshButKeepsItsMissenseBuffer) {
  Csat* sat = sat_alloc.get_new(residues, residues + 2);
  for (int i = 0; i < 5; ++i) sat->missense.push_back({residues + i, 'M'});
  sat->score = 7;
  sat->mismatches = sat->insertions = sat->deletions = sat->Ns = 3;
  sat->sat_end = residues + 9;
  const missense_entry* buffer = sat->missense.items;
  const unsigned capacity = sat->missense.capacity;
  EXPECT_EQ(capacity, 8u);
  sat_alloc.give_back(sat);

  Csat* again = sat_alloc.get_new(residues + 4, residues + 7);
  ASSERT_EQ(again, sat);
  EXPECT_EQ(again->missense.count, 0u);
  EXPECT_EQ(again->missense.capacity, capacity);
  for (unsigned i = 0; i < capacity; ++i) again->missense.push_back({residues, 'D'});
  EXPECT_EQ(again->missense.items, buffer);  // nothing allocated up to the old capacity

  EXPECT_EQ(again->sat_begin, residues + 4);
  EXPECT_EQ(again->sat_end, residues + 7);
  EXPECT_EQ(again->unit_pos_forward, residues + 4);
  EXPECT_EQ(again->unit_pos_backward, residues + 6);
  EXPECT_EQ(again->score + again->mismatches + again->insertions + again->deletions + again->Ns, 0);
  sat_alloc.give_back(again);
}

// Records are reused last returned first.
TEST(Pool, ContainerHandsEveryRecordBack) {
  const size_t before = sat_alloc.free_list.size();
  Csat* a = sat_alloc.get_new(residues, residues + 2);
  Csat* b = sat_alloc.get_new(residues, residues + 2);
  {
    CsatContainer container(&sat_alloc);
    container.sats.push_back(a);
    container.sats.push_back(b);
  }
  EXPECT_EQ(sat_alloc.free_list.size(), std::max<size_t>(before, 2));
  EXPECT_EQ(sat_alloc.free_list.back(), b);
  EXPECT_EQ(sat_alloc.get_new(residues, residues + 1), b);
  EXPECT_EQ(sat_alloc.get_new(residues, residues + 1), a);
  sat_alloc.give_back(a);
  sat_alloc.give_back(b);
}

TEST(Orderings, RecordsByStartThenEndStably) {
  Csat a, b, c, d;
  a.reset(residues + 2, residues + 6);
  b.reset(residues + 2, residues + 4);
  c.reset(residues, residues + 9);
  d.reset(residues + 2, residues + 4);  // equivalent to b
  std::list<Csat*> sats{&a, &b, &c, &d};
  sats.sort(lessThan_sat);
  EXPECT_EQ(sats, (std::list<Csat*>{&c, &b, &d, &a}));
  EXPECT_FALSE(lessThan_sat(&b, &d));
  EXPECT_FALSE(lessThan_sat(&d, &b));
}

TEST(Orderings, DeletionBeforeOtherEntriesAtTheSameResidue) {
  const char* p = residues + 5;
  Csat::lessThan_missense before;
  EXPECT_FALSE(before({p, 'D'}, {p, 'D'}));
  missense_entry entries[] = {{p + 1, 'M'}, {p, 'I'}, {p, 'D'}, {p - 1, 'D'}, {p, 'D'}};
  std::sort(std::begin(entries), std::end(entries), before);
  const char kinds[] = {'D', 'D', 'D', 'I', 'M'};
  const char* positions[] = {p - 1, p, p, p, p + 1};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(entries[i].kind, kinds[i]) << i;
    EXPECT_EQ(entries[i].position, positions[i]) << i;
  }
}

class Perfection : public ::testing::Test {
 protected:
  void SetUp() override { init_param(); }
  void TearDown() override { init_param(); }

  // Fills the spare record of the test and returns it.
  const Csat& record(int length, int mismatches, int insertions, int deletions, int Ns) {
    spare.reset(residues, residues + 2);
    spare.sat_end = residues + length;
    spare.mismatches = mismatches;
    spare.insertions = insertions;
    spare.deletions = deletions;
    spare.Ns = Ns;
    return spare;
  }
  static double in_mode(int mode, const Csat& sat) {
    global_N_and_perfection_mode = mode;
    return sat.perfection();
  }
  Csat spare;
};

TEST_F(Perfection, EachWayOfCountingNs) {
  const Csat& perfect = record(20, 0, 0, 0, 0);
  for (int mode = 0; mode < 3; ++mode) EXPECT_EQ(in_mode(mode, perfect), 100.0) << mode;

  const Csat& with_Ns = record(20, 1, 0, 0, 2);
  EXPECT_DOUBLE_EQ(in_mode(0, with_Ns), 85.0);
  EXPECT_DOUBLE_EQ(in_mode(1, with_Ns), 17.0 / 18.0 * 100.0);
  EXPECT_DOUBLE_EQ(in_mode(2, with_Ns), 95.0);

  // Length 10 with one insertion and two deletions spans 11 unit characters.
  const Csat& indels = record(10, 0, 1, 2, 0);
  EXPECT_EQ(indels.normalised_length(), 11);
  EXPECT_DOUBLE_EQ(in_mode(0, indels), 8.0 / 11.0 * 100.0);
}

TEST_F(Perfection, DividesBeforeScaling) {
  // 1/3*100 and 100/3 differ in the last bit, which can decide the
  // rounding of a printed perfection.
  const Csat& sat = record(3, 2, 0, 0, 0);
  ASSERT_NE(1.0 / 3.0 * 100.0, 100.0 / 3.0);
  EXPECT_EQ(in_mode(0, sat), 1.0 / 3.0 * 100.0);
}

TEST_F(Perfection, NothingToJudgeGivesZero) {
  EXPECT_EQ(in_mode(0, record(2, 0, 2, 0, 0)), 0.0);  // normalised length 0
  EXPECT_EQ(in_mode(2, record(2, 0, 2, 0, 0)), 0.0);
  EXPECT_EQ(in_mode(1, record(4, 0, 0, 0, 4)), 0.0);  // only neutral N's
}

TEST_F(Perfection, UnknownModeEndsTheProgram) {
  const Csat& sat = record(10, 0, 0, 0, 0);
  EXPECT_EXIT(in_mode(3, sat), ::testing::ExitedWithCode(2), "");
}

TEST(Buffers, FaststringCopiesAndTerminatesAFullString) {
  faststring s;
  for (char c : std::string("ACCCCGGGG")) s.push_back(c);
  EXPECT_EQ(std::string(s.data, s.length), "ACCCCGGGG");

  faststring full;
  full.assign("ACGT", 4);
  EXPECT_EQ(full.capacity, 5u);
  full.push_back('T');
  EXPECT_STREQ(full.c_str(), "ACGTT");
  EXPECT_EQ(full.length, 5u);
  const faststring copy(full);
  EXPECT_EQ(std::string(copy.data, copy.length), "ACGTT");
}

TEST(Buffers, ImpossibleSizesEndTheRunWithAMessage) {
  const int out_of_memory = EXIT_OUT_OF_MEMORY & 0xff;
  EXPECT_EXIT(
      {
        faststring s;
        s.reserve(std::size_t{UINT_MAX} + 1);
      },
      ::testing::ExitedWithCode(out_of_memory), "not enough memory");
  EXPECT_EXIT(grown_capacity(UINT_MAX), ::testing::ExitedWithCode(out_of_memory), "not enough memory");
  EXPECT_EQ(grown_capacity(UINT_MAX - 1), UINT_MAX);
  EXPECT_EQ(grown_capacity(0), 4u);
  EXPECT_EQ(grown_capacity(6), 12u);
}

#if !defined(__SANITIZE_ADDRESS__)
// The sanitizer's allocator reports an impossible request itself instead of
// returning null, so this only runs in a plain build.
TEST(Buffers, FailedReallocIsReportedOnStandardError) {
  EXPECT_EXIT(checked_realloc(nullptr, SIZE_MAX / 2), ::testing::ExitedWithCode(EXIT_OUT_OF_MEMORY & 0xff),
              "Program aborded due to failed realloc!");
}
#endif
