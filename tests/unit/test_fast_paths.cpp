// The shortcuts of the imperfect searches that the comparison with the plain
// reference (test_reference_search.cpp) does not reach: the one-error test
// beyond its unit lengths and penalties, and the extendExact mode and the
// error lists let go, which have no reference but their own plain paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "random_search.h"
#include "search/imperfect/error_free_run.h"
#include "search/shortcut_counts.h"

namespace {

class FastPath : public RandomSearch {
 protected:
  void SetUp() override {
    RandomSearch::SetUp();
    random = RandomSequence(2024);
  }

  void set_shortcuts(bool on) {
    options.leave_out_repeated_look_ahead = on;
    options.follow_earlier_walks = on;
    options.end_walks_that_cannot_regain_their_best = on;
    options.compare_sixteen_at_a_time = on;
  }
};

// The one-error test reads sixteen residues at a time; penalties of up to
// -24 let an error need up to 24 matches behind it, beyond the masks' last bits.
TEST_F(FastPath, OneErrorTestAgreesWithCountingEachMatch) {
  unsigned settled = 0, left = 0;
  for (int round = 0; round < 400; ++round) {
    random_options(false);
    options.max_unit_length = 20;
    if (below(3) == 0) {
      options.mismatch_score = -2 - static_cast<int>(below(23));
      options.indel_score = -2 - static_cast<int>(below(23));
    }
    std::string residues;
    for (unsigned pieces = 1 + below(6); pieces > 0; --pieces) {
      residues += random_sequence(false);
      random.append_array(residues, random.letters(1 + below(20)), 20 + below(80), 3 + below(10), below(2) == 0);
    }
    TestSequence seq(residues);
    const char* first = seq.mol.residues;
    const char* end = first + seq.mol.length;
    CSearchController search(options, workspace, pool, 1, seq.mol);
    for (unsigned k = 1; k <= 20 && k < seq.mol.length; ++k) {
      OneErrorTest one_error(search.extension.rules, search.user_thresholds().min_scores[k], k, first, end);
      for (const char* p = first; p + k < end; ++p) {
        const char* run_end = p + k;
        while (run_end != end && *run_end == run_end[-static_cast<long>(k)]) ++run_end;
        const char* run_begin = p;
        while (run_begin != first && run_begin[-1] == run_begin[k - 1]) --run_begin;
        const bool fails = one_error.fails(run_begin, run_end);
        ASSERT_EQ(fails, one_error.fails_plainly(run_begin, run_end))
            << "k " << k << " at " << seq.at(p) << " in " << residues << options_text();
        ++(fails ? settled : left);
      }
    }
  }
  EXPECT_GT(settled, 100000u);
  EXPECT_GT(left, 100000u);
}

// With short error lists kept and, in extendExact, every shortcut on, the
// records, after the overlap removal or not, must be those of the plain path.
// Long arrays and shallow look-aheads score high enough for trails and paths
// taken at once; units longer than a decision reads meet trails that differ
// only beyond it; depth 10 looks ahead without leaving nodes out.
TEST_F(FastPath, ShortcutsAndListsLetGoChangeNoRecord) {
  const ShortcutCounts before = workspace.counts;
  unsigned rebuilt = 0;
  for (int round = 0; round < 1000; ++round) {
    random_options(false);
    const bool deep = below(20) == 0;
    options.maximum_recursion_depth = deep ? 10 : 1 + static_cast<int>(below(4));
    const bool extend_exact = below(4) != 0;
    const bool long_units = extend_exact && below(4) == 0;
    options.min_unit_length = 1;
    options.max_unit_length = long_units ? 24 : 8;
    options.remove_mostly_hidden = below(4) != 0;
    // Thresholds low enough for many records, none far below zero: the plain
    // path grows every seed of long arrays in full.
    options.min_score = static_cast<int>(below(16)) - 3;
    options.min_score_a = static_cast<int>(below(5));
    options.min_score_bx = static_cast<float>(below(3)) * 0.5f;
    options.min_length = static_cast<int>(below(12));
    std::string residues = random_sequence(false);
    const std::string unit = random.letters(1 + below(long_units ? 24 : 6));
    for (unsigned arrays = 1 + below(3); arrays > 0; --arrays) {
      random.append_array(residues, unit, (deep ? 40 : 60) + below(deep ? 60 : 300), 4 + below(30), below(2) == 0);
      if (below(3) == 0) {
        residues += random.letters(below(12));
        random.append_array(residues, below(2) == 0 ? unit : random.letters(1 + below(6)), 10 + below(60),
                            4 + below(30), true);
      }
    }
    const unsigned kept = below(3);
    std::vector<std::string> records[2];
    for (bool on : {false, true}) {
      set_shortcuts(on || !extend_exact);  // the reference holds them in mode imperfect, and is quicker
      options.longest_error_list_kept = on ? kept : UINT_MAX;
      options.walk_points_kept_at_least = on && below(3) == 0 ? below(40) : 65536;
      options.seeds_grown_at_once = on && below(2) == 0 ? 1 + below(8) : 256;
      records[on] = imperfect_records(residues, extend_exact, options.remove_mostly_hidden);
    }
    ASSERT_EQ(records[false], records[true]) << residues << " extendExact " << extend_exact << options_text();
    for (const std::string& record : records[true]) rebuilt += std::count(record.begin(), record.end(), '(') > 2;
  }
  EXPECT_GT(rebuilt, 1000u);
  const ShortcutCounts& after = workspace.counts;
  EXPECT_GT(after.trails_followed - before.trails_followed, 1000);
  EXPECT_GT(after.paths_taken_at_once - before.paths_taken_at_once, 1000);
  EXPECT_GT(after.walks_ended_unable_to_regain - before.walks_ended_unable_to_regain, 1000);
  EXPECT_GT(after.walks_ended_after_one_error - before.walks_ended_after_one_error, 1000);
  EXPECT_GT(after.unit_texts_written - before.unit_texts_written, 1000);
  EXPECT_GT(after.look_ahead_nodes_left_out - before.look_ahead_nodes_left_out, 10000);
  EXPECT_GT(after.look_ahead_nodes_dominated - before.look_ahead_nodes_dominated, 10000);
}

}  // namespace
