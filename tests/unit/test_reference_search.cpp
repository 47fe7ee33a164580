// The search with every shortcut on against the plain reference, before the
// overlap removal, and searched in parts, in turn or on threads, against the
// whole. Each shortcut must fire, or the comparison proves nothing about it.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "random_search.h"
#include "reference_search.h"
#include "search/shortcut_counts.h"

namespace {

class AgainstReference : public RandomSearch {
 protected:
  std::vector<std::string> by_reference(const std::string& residues) const {
    std::vector<std::string> records;
    for (const reference::Record& record : reference::imperfect_search(options, residues))
      records.push_back(reference::describe(record, residues));
    return records;
  }

  // Parts as short as 20 starts put their ends inside most arrays; lists let
  // go are grown again across them.
  void expect_as_reference(bool long_units) {
    random_options(long_units);
    // Every list kept: the lists let go are grown again after an overlap removal.
    options.longest_error_list_kept = UINT_MAX;
    const std::string residues = random_sequence(long_units);
    std::vector<std::string> whole = records_with_unit_place(residues);
    ASSERT_EQ(whole, by_reference(residues)) << residues << options_text();
    if (below(2) == 0) {
      options.longest_error_list_kept = SearchOptions().longest_error_list_kept;
      whole = records_with_unit_place(residues);
    }
    options.starts_per_part = 20 + below(static_cast<unsigned>(residues.size()) / 2 + 1);
    ASSERT_EQ(records_with_unit_place(residues, below(4) == 0 ? parts_on_threads() : parts_in_turn()), whole)
        << residues << options_text() << " starts per part " << options.starts_per_part
        << " lists kept up to " << options.longest_error_list_kept;
  }

  void expect_parts_searched(long long in_parts, long long searched_again, int rounds) {
    EXPECT_GT(workspace.counts.records_in_parts - in_parts, rounds / 2);
    EXPECT_GT(workspace.counts.parts_searched_again - searched_again, rounds / 10);
  }
};

TEST_F(AgainstReference, ShortUnits) {
  const ShortcutCounts before = workspace.counts;
  const long long in_parts = workspace.counts.records_in_parts;
  const long long searched_again = workspace.counts.parts_searched_again;
  for (int round = 0; round < 2000; ++round) ASSERT_NO_FATAL_FAILURE(expect_as_reference(false));
  expect_parts_searched(in_parts, searched_again, 2000);
  const ShortcutCounts& after = workspace.counts;
  EXPECT_GT(after.runs_too_weak_without_error - before.runs_too_weak_without_error, 2000);
  EXPECT_GT(after.runs_too_weak_with_one_error - before.runs_too_weak_with_one_error, 5000);
  EXPECT_GT(after.walks_ended_after_one_error - before.walks_ended_after_one_error, 10000);
  EXPECT_GT(after.walks_ended_unable_to_regain - before.walks_ended_unable_to_regain, 2000);
  EXPECT_GT(after.unit_texts_written - before.unit_texts_written, 5000);
  EXPECT_GT(after.look_ahead_nodes_left_out - before.look_ahead_nodes_left_out, 50000);
  EXPECT_GT(after.look_ahead_nodes_dominated - before.look_ahead_nodes_dominated, 100000);
  EXPECT_GT(after.trails_followed - before.trails_followed, 2000);
  EXPECT_GT(after.forward_walks_starts_may_share - before.forward_walks_starts_may_share, 300);
}

TEST_F(AgainstReference, LongUnits) {
  const long long settled_before = workspace.counts.starts_settled_by_score_bound;
  const long long aligned_before = workspace.counts.starts_settled_by_alignment_bound;
  const ShortcutCounts before = workspace.counts;
  const long long in_parts = workspace.counts.records_in_parts;
  const long long searched_again = workspace.counts.parts_searched_again;
  // Rounds enough for the backward walks to follow trails whose units differ
  // at a step that a later point's choice read.
  for (int round = 0; round < 400; ++round) ASSERT_NO_FATAL_FAILURE(expect_as_reference(true));
  expect_parts_searched(in_parts, searched_again, 400);
  EXPECT_GT(workspace.counts.starts_settled_by_score_bound - settled_before, 2000);
  EXPECT_GT(workspace.counts.starts_settled_by_alignment_bound - aligned_before, 1000);
  EXPECT_GT(workspace.counts.trails_followed - before.trails_followed, 10000);
  EXPECT_GT(workspace.counts.look_ahead_nodes_left_out - before.look_ahead_nodes_left_out, 100000);
  EXPECT_GT(workspace.counts.walks_ended_out_of_alignment_reach - before.walks_ended_out_of_alignment_reach, 1000);
}

// Every unit copy grown both ways through the extension's entry points, and
// look-aheads from every error point of a walk, as the reference grows and
// values them; look-aheads up to the deepest whose nodes are left out.
// A forward walk's choices must also survive the shift of its scores it
// claims (the starts after a rejected copy are passed over on that claim):
// grown again from a score lower by that much, a copy takes the same errors
// to the same end.
TEST_F(AgainstReference, GrowingEachCopy) {
  const ShortcutCounts before = workspace.counts;
  long long with_errors = 0, shifted = 0;
  for (int round = 0; round < 200; ++round) {
    const bool long_units = round % 8 == 0;
    random_options(long_units);
    if (round % 20 == 1) options.maximum_recursion_depth = 7 + static_cast<int>(below(3));
    const std::string residues = random_sequence(long_units);
    TestSequence seq(residues);
    CSearchController search(options, workspace, pool, 1, seq.mol);
    const char* first = seq.mol.residues;
    const char* end = first + seq.mol.length;
    const long n = static_cast<long>(residues.size());
    // Deep look-aheads are slow in the reference: a few copies only.
    const long stride = options.maximum_recursion_depth > 6 ? 7 : 1;
    for (long k = options.min_unit_length; k <= static_cast<long>(options.max_unit_length); ++k) {
      for (long p = 0; p + k < n; p += stride) {
        if (residues.find('N', static_cast<std::size_t>(p)) < static_cast<std::size_t>(p + k)) continue;
        Csat* sat = grown_copy(search, p, k);
        reference::Record record = reference::copy_at(p, k);
        reference::grow(options, residues, record);
        with_errors += !record.missense.empty();
        ASSERT_EQ(describe(*sat, first) + " @" + std::to_string(p), reference::describe(record, residues))
            << residues << options_text();
        pool.give_back(sat);
        if (p % 5 != 0) continue;
        // Each walk with a search of its own: no trail of one is met by the other.
        auto forward_from = [&](int start_score, long long* shifts) {
          CSearchController alone(options, workspace, pool, 1, seq.mol);
          Csat* walked = pool.get_new(first + p, first + p + k);
          walked->score = start_score;
          const long long survived = alone.extension.grow_forward(*walked);
          if (shifts) *shifts = survived;
          walked->score -= start_score;
          std::string text = describe(*walked, first);
          pool.give_back(walked);
          return text;
        };
        long long shifts = 0;
        const std::string walked = forward_from(0, &shifts);
        if (shifts > 0 && shifts != LLONG_MAX) {
          ++shifted;
          const int shift = static_cast<int>(std::min<long long>(shifts, 1000));
          ASSERT_EQ(forward_from(-shift, nullptr), walked)
              << "copy at " << p << " k " << k << " shift " << shift << " " << residues << options_text();
        }
        // A look-ahead from the copy's end at a random score and depth.
        const int depth = 1 + static_cast<int>(below(static_cast<unsigned>(options.maximum_recursion_depth)));
        const int score = static_cast<int>(below(40)) - 10, best = score + static_cast<int>(below(10));
        const bool forward = below(2) == 0;
        const long pos = forward ? p + k : p, phase = forward ? 0 : k - 1;
        const auto leap = forward ? &ExtensionAlignment::extend_imperfect_forward_leap_ahead
                                  : &ExtensionAlignment::extend_imperfect_backward_leap_ahead;
        const int value = (search.extension.*leap)(first + pos, first + p + phase, first + p, first + p + k, score,
                                         static_cast<int>(k), static_cast<unsigned char>(depth),
                                         forward ? end : first - 1, best);
        ASSERT_EQ(value, reference::look_ahead(options, residues, reference::copy_at(p, k), forward, pos, phase, score,
                                               depth, best))
            << "look-ahead at " << p << " k " << k << (forward ? " forward" : " backward") << " in " << residues
            << options_text();
      }
    }
  }
  EXPECT_GT(shifted, 300);
  EXPECT_GT(with_errors, 10000);
  EXPECT_GT(workspace.counts.look_ahead_nodes_left_out - before.look_ahead_nodes_left_out, 100000);
  EXPECT_GT(workspace.counts.look_ahead_nodes_dominated - before.look_ahead_nodes_dominated, 100000);
  EXPECT_GT(workspace.counts.walks_ended_unable_to_regain - before.walks_ended_unable_to_regain, 1000);
}

}  // namespace
