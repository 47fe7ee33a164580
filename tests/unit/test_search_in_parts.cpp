// A record searched in parts, in turn or on threads, must give the records
// of the whole; parts searched again with a neighbour must come up too.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "random_search.h"

namespace {

using Tasks = std::vector<std::function<void()>>;

class SearchInParts : public RandomSearch {
 protected:
  static void in_turn(Tasks& tasks) {
    for (std::function<void()>& task : tasks) task();
  }

  static void on_threads(Tasks& tasks) {
    std::vector<std::thread> threads;
    for (std::function<void()>& task : tasks) threads.emplace_back(task);
    for (std::thread& thread : threads) thread.join();
  }

  void expect_as_whole(bool long_units, void (*run_parts)(Tasks&)) {
    random_options(long_units);
    if (below(2) == 0) CSearchController::longest_error_list_kept = UINT_MAX;
    const std::string residues = long_sequence(long_units);
    const std::vector<std::string> whole = records_with_unit_place(residues);
    CSearchController::starts_per_part = 20 + below(static_cast<unsigned>(residues.size()) / 2 + 1);
    ASSERT_EQ(records_with_unit_place(residues, run_parts), whole)
        << residues << options() << " starts per part " << CSearchController::starts_per_part;
    restore_limits();
  }

  void expect_glued_and_not(int rounds, bool long_units, void (*run_parts)(Tasks&)) {
    const long long in_parts = CSearchController::records_in_parts;
    const long long searched_again = CSearchController::parts_searched_again;
    for (int round = 0; round < rounds; ++round) ASSERT_NO_FATAL_FAILURE(expect_as_whole(long_units, run_parts));
    EXPECT_GT(CSearchController::records_in_parts - in_parts, rounds / 2);
    EXPECT_GT(CSearchController::parts_searched_again - searched_again, rounds / 10);
  }
};

TEST_F(SearchInParts, ShortUnitsInTurn) { expect_glued_and_not(300, false, in_turn); }

TEST_F(SearchInParts, LongUnitsInTurn) { expect_glued_and_not(40, true, in_turn); }

TEST_F(SearchInParts, OnThreads) { expect_glued_and_not(100, false, on_threads); }

}  // namespace
