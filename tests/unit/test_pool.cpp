#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "config/exit_codes.h"
#include "repeats/Csat.h"
#include "repeats/allocation.h"
#include "repeats/faststring.h"
#include "repeats/fastvector.h"

namespace {
const char residues[] = "ACGTACGTACGTACGTACGTACGT";
}

// The searches take a record per candidate: a reused one must not allocate
// again up to the error list it had.
TEST(Pool, ReusedRecordKeepsItsMissenseBuffer) {
  Csat_garbagecollector pool;
  Csat* sat = pool.get_new(residues, residues + 2);
  for (int i = 0; i < 5; ++i) sat->missense.push_back({residues + i, 'M'});
  const missense_entry* buffer = sat->missense.items;
  const unsigned capacity = sat->missense.capacity;
  pool.give_back(sat);
  Csat* again = pool.get_new(residues + 4, residues + 7);
  ASSERT_EQ(again, sat);
  for (unsigned i = 0; i < capacity; ++i) again->missense.push_back({residues, 'D'});
  EXPECT_EQ(again->missense.items, buffer);
  pool.give_back(again);
}

TEST(Pool, ContainerHandsItsRecordsBack) {
  Csat_garbagecollector pool;
  const std::size_t free_before = pool.free_list.size();
  {
    CsatContainer container(&pool);
    while (container.sats.size() < free_before + 2) container.sats.push_back(pool.get_new(residues, residues + 1));
  }
  EXPECT_EQ(pool.free_list.size(), free_before + 2);
}

TEST(Perfection, EachWayOfCountingNs) {
  struct Case {
    int length, mismatches, insertions, deletions, Ns, mode;
    double expected;
  } cases[] = {
      {20, 1, 0, 0, 2, 0, 85.0}, {20, 1, 0, 0, 2, 1, 17.0 / 18.0 * 100.0}, {20, 1, 0, 0, 2, 2, 95.0},
      // Length 10 with one insertion and two deletions spans 11 unit characters.
      {10, 0, 1, 2, 0, 0, 8.0 / 11.0 * 100.0},
      // Divided before scaling: 1/3*100 and 100/3 differ in the last bit,
      // which can decide the rounding of a printed perfection.
      {3, 2, 0, 0, 0, 0, 1.0 / 3.0 * 100.0},
      // Nothing to judge: normalised length 0, or only neutral N's.
      {2, 0, 2, 0, 0, 0, 0.0}, {2, 0, 2, 0, 0, 2, 0.0}, {4, 0, 0, 0, 4, 1, 0.0},
      // Nothing missed, whichever way N's count: exactly 100.
      {20, 0, 0, 0, 0, 0, 100.0}, {20, 0, 0, 0, 3, 1, 100.0}, {20, 0, 0, 0, 3, 2, 100.0}, {7, 0, 0, 0, 0, 1, 100.0},
  };
  ASSERT_NE(1.0 / 3.0 * 100.0, 100.0 / 3.0);
  for (const Case& c : cases) {
    Csat sat;
    sat.reset(residues, residues + 2);
    sat.sat_end = residues + c.length;
    sat.mismatches = c.mismatches;
    sat.insertions = c.insertions;
    sat.deletions = c.deletions;
    sat.Ns = c.Ns;
    EXPECT_EQ(sat.perfection(c.mode), c.expected) << c.length << " " << c.mode;
  }
}

TEST(Buffers, FaststringCopiesAndTerminatesAFullString) {
  faststring full;
  full.assign("ACGT", 4);
  EXPECT_EQ(full.capacity, 5u);
  full.push_back('T');
  EXPECT_STREQ(full.c_str(), "ACGTT");
  EXPECT_EQ(full.length, 5u);
  const faststring copy(full);
  EXPECT_EQ(std::string(copy.data, copy.length), "ACGTT");
}

// What a failed allocation throws: the message the run ends with.
template <class Request>
std::string failure_of(Request request) {
  try {
    request();
  } catch (const FailedAllocation& failure) {
    return failure.what();
  }
  return "nothing thrown";
}

TEST(Buffers, ImpossibleSizesFailWithAMessageAndLeaveTheBufferWhole) {
  const std::string out_of_memory = "Sorry, there is not enough memory to continue.\n";
  faststring s;
  s.assign("ACGT", 4);
  EXPECT_EQ(failure_of([&s] { s.reserve(std::size_t{UINT_MAX} + 1); }), out_of_memory);
  EXPECT_EQ(s.capacity, 5u);
  s.push_back('T');
  EXPECT_STREQ(s.c_str(), "ACGTT");
  EXPECT_EQ(failure_of([] { grown_capacity(UINT_MAX); }), out_of_memory);
  EXPECT_EQ(grown_capacity(UINT_MAX - 1), UINT_MAX);
}

TEST(Buffers, FailedAllocationEndsTheRunWithItsMessage) {
  EXPECT_EXIT(end_for_failed_allocation(FailedAllocation("Sorry, there is not enough memory to continue.\n")),
              ::testing::ExitedWithCode(EXIT_OUT_OF_MEMORY & 0xff), "not enough memory");
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// A sanitizer's allocator reports an impossible request itself instead of
// returning null, so this only runs in a plain build.
TEST(Buffers, FailedReallocHasItsOwnMessage) {
  struct Page {
    char bytes[1 << 16];
  };
  fastvector<Page> v;
  v.push_back(Page{{'A'}});
  EXPECT_EQ(failure_of([&v] { v.reserve(UINT_MAX); }), "Program aborded due to failed realloc!\n");
  EXPECT_EQ(v.capacity, 4u);
  EXPECT_EQ(v.items[0].bytes[0], 'A');
}
#endif
