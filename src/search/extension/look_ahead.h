/*
 * The look-ahead that values the errors at a walk's error point: a
 * depth-first search of further errors, each node valued by the highest
 * score at the end of a greedy run within its subtree.
 *
 * Two shortcuts leave nodes out where their value is known not to matter
 * (repeated_nodes.h, completed_nodes.h), and a decision counts how low its
 * nodes were entered, for the starts that share a walk
 * (starts_sharing_a_walk.h).
 *
 * The call budget is no shortcut: up to a depth of 9 it never runs out, and
 * nothing changes; a deeper setting is served by the deepest look-ahead that
 * fits it, where the full tree would take hours.
 */
// Included only by the extension's own source files. What it defines keeps
// internal linkage, so that the compiler inlines it into the walks just as
// it would within one file.
#ifndef VELKOR_SEARCH_EXTENSION_LOOK_AHEAD_H
#define VELKOR_SEARCH_EXTENSION_LOOK_AHEAD_H

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "repeats/Csat.h"
#include "search/extension/completed_nodes.h"
#include "search/extension/extension_walk.h"
#include "search/extension/greedy_run.h"
#include "search/extension/repeated_nodes.h"
#include "search/shortcut_counts.h"
#include "search/extension/starts_sharing_a_walk.h"
#include "search/extension/walk_memo.h"

namespace {

// The look-ahead tree grows threefold with every level, and where the score
// is high (a long repeat ends in junk) nothing prunes it: a depth of 20 would
// take hours for one decision, 255 forever. A decision therefore gets at most
// as many look-ahead calls as a full tree of depth 9 needs for all three
// errors. Below that nothing changes; a deeper setting that does not fit is
// served by the deepest look-ahead that does.
constexpr long long look_ahead_call_budget = 3 * ((19683 - 1) / 2);

// The deepest look-ahead whose full tree fits the budget: up to it, the
// budget never runs out.
constexpr int deepest_within_budget = 9;

// What stays fixed throughout the look-ahead of one decision. Scores are
// compared in 64 bits: penalties and the score-reduction limit may take any
// int value, and their sums with a score must not overflow.
struct LookAhead {
  const WalkRules& rules;
  CompletedNodes& completed;
  ShortcutCounts& counts;
  const char* unit_begin;
  const char* unit_end;
  const char* limit;
  long long score_reduction;
  long long mismatch_score;
  long long indel_score;
  long long larger_penalty;
  long long calls_left;         // LLONG_MAX where the budget cannot run out
  int lowest_trying = INT_MAX;  // the lowest score of a node below the root that tried errors
  const char* farthest;         // the farthest edge a greedy run reached, where Dir tells reach
  bool threshold_follows_best;  // false where it stays -L throughout
  bool leave_out_repeated;      // the nodes repeated under another path may be left out,
                                // and so may those a completed node dominates
  bool leave_out_indel_pair;    // and so may insertion-deletion and deletion-insertion
  bool mismatches_only;         // a unit of one residue: insertions and deletions too
  const UnitText& text;

  LookAhead(const WalkRules& walk_rules, const char* first, const char* past_unit, const char* sequence_limit,
            long long calls_allowed, bool leave_out, const char* root, const UnitText& unit_text)
      : rules(walk_rules),
        completed(*walk_rules.completed_nodes),
        counts(*walk_rules.counts),
        unit_begin(first),
        unit_end(past_unit),
        limit(sequence_limit),
        score_reduction(walk_rules.maximum_scorereduction),
        mismatch_score(walk_rules.mismatch_score),
        indel_score(walk_rules.indel_score),
        larger_penalty(std::max(mismatch_score, indel_score)),
        calls_left(calls_allowed),
        farthest(root),
        threshold_follows_best(!leave_out),
        leave_out_repeated(leave_out),
        leave_out_indel_pair(leave_out & indel_pairs_left_out(mismatch_score, indel_score)),
        mismatches_only(leave_out & mismatches_only_for(past_unit - first, mismatch_score, indel_score)),
        text(unit_text) {}
};

template <class Dir>
int children_value(LookAhead& look_ahead, const char* pos, const char* unit_pos, int score, int levels_left,
                   long long threshold, LeftOut left_out);

// The value of a look-ahead node whose path may take levels_left more errors,
// under the threshold of its parent. Most nodes try no error: those at the
// deepest level, and those whose score leaves no error above the threshold.
// They are valued here, inlined into their parent, so that only the nodes
// that try errors pay for a call of their own.
// took_nothing (when given) tells whether this node's greedy run ended at an
// error point without taking a residue.
// Forced inline: with a second kind of direction, the compiler's own
// judgement left it a call in one of them.
template <class Dir>
__attribute__((always_inline)) inline int leap_ahead(LookAhead& look_ahead, const char* pos, const char* unit_pos,
                                                     int score, int levels_left, long long threshold,
                                                     Arrival arrival, bool* took_nothing) {
  // Over budget: the caller discards this value.
  if (--look_ahead.calls_left < 0) return score;
  int Ns_ignored = 0;
  const char* run_start = pos;
  const RunEnd run_end = greedy_run<Dir>(look_ahead.rules, pos, unit_pos, score, Ns_ignored, look_ahead.unit_begin,
                                         look_ahead.unit_end, look_ahead.limit, look_ahead.text);
  if constexpr (Dir::tells_reach) look_ahead.farthest = Dir::farther(look_ahead.farthest, pos);
  const bool empty = run_end == RunEnd::error_point && pos == run_start;
  if (took_nothing) *took_nothing = empty;
  if (run_end != RunEnd::error_point || levels_left <= 0) return score;
  // The threshold follows the best score along the path: max(-L, best - reduction).
  if (look_ahead.threshold_follows_best) threshold = std::max(threshold, score - look_ahead.score_reduction);
  if (score + look_ahead.larger_penalty <= threshold) return score;
  if (look_ahead.leave_out_repeated && look_ahead.completed.dominated(pos, unit_pos, score, levels_left)) {
    ++look_ahead.counts.look_ahead_nodes_dominated;
    return score;
  }
  const LeftOut left_out =
      children_left_out(arrival, empty, look_ahead.leave_out_repeated, look_ahead.leave_out_indel_pair);
  if (left_out.mismatch | left_out.insertion | left_out.deletion) ++look_ahead.counts.look_ahead_nodes_left_out;
  const int value = children_value<Dir>(look_ahead, pos, unit_pos, score, levels_left, threshold, left_out);
  if (look_ahead.leave_out_repeated) look_ahead.completed.add(pos, unit_pos, score, levels_left);
  return value;
}

// The highest of a node's score and the values of the errors it tries.
template <class Dir>
int children_value(LookAhead& look_ahead, const char* pos, const char* unit_pos, int score, int levels_left,
                   long long threshold, LeftOut left_out) {
  look_ahead.lowest_trying = std::min(look_ahead.lowest_trying, score);
  // Forced inline too: a change elsewhere in this file once left it a call
  // of its own in one direction, which slowed long imperfect arrays.
  auto child = [&](const char* next_pos, const char* next_unit_pos, long long next_score, Arrival next_arrival,
                   bool* child_took_nothing) __attribute__((always_inline)) {
    return leap_ahead<Dir>(look_ahead, next_pos, next_unit_pos, static_cast<int>(next_score), levels_left - 1,
                           threshold, next_arrival, child_took_nothing);
  };
  const char* next_unit_pos = Dir::unit_step(unit_pos, look_ahead.unit_begin, look_ahead.unit_end);
  int value = score;
  bool mismatch_child_empty = false;
  const long long after_mismatch = score + look_ahead.mismatch_score;
  if (after_mismatch > threshold && !left_out.mismatch)
    value = std::max(value, child(Dir::step(pos), next_unit_pos, after_mismatch, {Operation::mismatch, false},
                                  &mismatch_child_empty));
  const long long after_indel = score + look_ahead.indel_score;
  if (after_indel > threshold && !look_ahead.mismatches_only) {
    if (!left_out.insertion)
      value = std::max(value, child(Dir::step(pos), unit_pos, after_indel,
                                    {Operation::insertion, mismatch_child_empty}, nullptr));
    if (!left_out.deletion)
      value = std::max(value, child(pos, next_unit_pos, after_indel, {Operation::deletion, mismatch_child_empty},
                                    nullptr));
  }
  return value;
}

// The error to apply at a walk's error point, by how much every score of
// the decision may fall with the same error chosen, and how many unit steps
// ahead the decision may have read the unit.
struct Decision {
  Operation chosen;
  std::uint32_t reach;
  long long shifts_survived;
};

// Values the three errors at the walk's error point and returns the one to
// apply; on equal values the earlier of mismatch, insertion, deletion wins.
// over_budget tells whether the look-ahead ran out of calls, which leaves the
// choice void.
template <class Dir>
Decision choose_operation_at_depth(const WalkRules& rules, const Csat& sat, const char* pos, const char* unit_pos,
                                   int best_score, const char* limit, int depth_limit, bool& over_budget,
                                   const UnitText& text) {
  const long long unit_length = sat.unit_end - sat.unit_begin;
  // No score in the tree exceeds the best so far by more than the residues
  // left to take; out of the score-reduction limit's reach, T stays -L.
  const long long highest_best = std::max<long long>(best_score, static_cast<long long>(sat.score) +
                                                                     Dir::residues_left(pos, limit));
  const bool within_budget = depth_limit <= deepest_within_budget;
  const bool threshold_fixed = within_budget && rules.penalties_negative() &&
                               highest_best - rules.maximum_scorereduction <= -unit_length;
  const bool leave_out_repeated = rules.leave_out_repeated_look_ahead && threshold_fixed;
  LookAhead look_ahead(rules, sat.unit_begin, sat.unit_end, limit, within_budget ? LLONG_MAX : look_ahead_call_budget,
                       leave_out_repeated, pos, text);
  if (leave_out_repeated) rules.completed_nodes->start_decision();
  const long long threshold = rules.threshold_at(unit_length, best_score);
  Operation chosen = Operation::none;
  int chosen_value = 0;
  auto consider = [&](Operation op, const char* next_pos, const char* next_unit_pos, long long start_score,
                      Arrival arrival, bool* took_nothing) {
    const int value = leap_ahead<Dir>(look_ahead, next_pos, next_unit_pos, static_cast<int>(start_score),
                                      depth_limit - 1, threshold, arrival, took_nothing);
    if (chosen == Operation::none || value > chosen_value) {
      chosen = op;
      chosen_value = value;
    }
  };
  const char* next_unit_pos = Dir::unit_step(unit_pos, sat.unit_begin, sat.unit_end);
  bool mismatch_empty = false;
  const long long after_mismatch = sat.score + look_ahead.mismatch_score;
  if (after_mismatch > threshold)
    consider(Operation::mismatch, Dir::step(pos), next_unit_pos, after_mismatch, {Operation::mismatch, false},
             &mismatch_empty);
  const long long after_indel = sat.score + look_ahead.indel_score;
  if (after_indel > threshold && !look_ahead.mismatches_only) {
    consider(Operation::insertion, Dir::step(pos), unit_pos, after_indel, {Operation::insertion, mismatch_empty},
             nullptr);
    consider(Operation::deletion, pos, next_unit_pos, after_indel, {Operation::deletion, mismatch_empty}, nullptr);
  }
  over_budget = look_ahead.calls_left < 0;
  // Where no error is tried, none is at lower scores either.
  if (chosen == Operation::none) return {chosen, WalkMemo::unknown_reach, LLONG_MAX};
  // A node's unit position lies as many steps ahead as its edge lies
  // residues ahead, less its insertions and plus its deletions: one per
  // level at most.
  std::uint32_t reach = WalkMemo::unknown_reach;
  if constexpr (Dir::tells_reach) {
    const std::ptrdiff_t residues_read = std::abs(look_ahead.farthest - pos);
    reach =
        static_cast<std::uint32_t>(std::min<std::ptrdiff_t>(residues_read + depth_limit, WalkMemo::unknown_reach));
  }
  return {chosen, reach,
          shifts_a_decision_survives(rules, threshold_fixed, sat.score, look_ahead.lowest_trying, unit_length)};
}

template <class Dir>
Decision choose_operation(const WalkRules& rules, const Csat& sat, const char* pos, const char* unit_pos,
                          int best_score, const char* limit, const UnitText& text) {
  bool over_budget = false;
  const int depth = rules.depth;
  const Decision decision =
      choose_operation_at_depth<Dir>(rules, sat, pos, unit_pos, best_score, limit, depth, over_budget, text);
  if (!over_budget) return decision;
  // Depth 1 always fits: it makes one call per error. At lower scores a
  // deeper look-ahead may fit: a choice made so survives no shift.
  Operation deepest_fitting = Operation::none;
  for (int shallower_depth = 1; shallower_depth < depth; ++shallower_depth) {
    const Decision shallower = choose_operation_at_depth<Dir>(rules, sat, pos, unit_pos, best_score, limit,
                                                              shallower_depth, over_budget, text);
    if (over_budget) break;
    deepest_fitting = shallower.chosen;
  }
  return {deepest_fitting, WalkMemo::unknown_reach, 0};
}

}  // namespace

#endif
