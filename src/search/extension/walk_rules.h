#ifndef VELKOR_SEARCH_EXTENSION_WALK_RULES_H
#define VELKOR_SEARCH_EXTENSION_WALK_RULES_H

#include <algorithm>

#include "search/search_options.h"

class CompletedNodes;
struct ShortcutCounts;

// The 8-bit look-ahead depth can count to 255 only; a deeper limit would
// leave the recursion bounded by the score threshold alone, which on long
// imperfect repeats can outgrow the stack.
constexpr int deepest_look_ahead = 255;

// What the walks of the extension read at their steps: the scoring and the
// N rule copied out of the options, so that the hot loops find them in one
// small value, and the scratch space of the worker they run on.
struct WalkRules {
  int mismatch_score;
  int indel_score;
  int maximum_scorereduction;
  int Ns_allowed_in_a_row;
  bool Ns_tolerated;  // a run of N's may stand in for unit residues
  int depth;          // of the look-ahead, as configured
  bool leave_out_repeated_look_ahead;
  bool follow_earlier_walks;
  bool end_walks_that_cannot_regain_their_best;
  bool compare_sixteen_at_a_time;
  CompletedNodes* completed_nodes;
  ShortcutCounts* counts;

  WalkRules(const SearchOptions& options, CompletedNodes& nodes, ShortcutCounts& shortcut_counts)
      : mismatch_score(options.mismatch_score),
        indel_score(options.indel_score),
        maximum_scorereduction(options.maximum_scorereduction),
        Ns_allowed_in_a_row(options.Ns_allowed_in_a_row),
        Ns_tolerated(options.Ns_allowed_in_a_row != 0 && !options.treat_Ns_as_missense),
        depth(std::min(options.maximum_recursion_depth, deepest_look_ahead)),
        leave_out_repeated_look_ahead(options.leave_out_repeated_look_ahead),
        follow_earlier_walks(options.follow_earlier_walks),
        end_walks_that_cannot_regain_their_best(options.end_walks_that_cannot_regain_their_best),
        compare_sixteen_at_a_time(options.compare_sixteen_at_a_time),
        completed_nodes(&nodes),
        counts(&shortcut_counts) {}

  // T at an error point of a walk of unit length L whose best score is B.
  long long threshold_at(long long unit_length, long long best_score) const {
    return std::max(-unit_length, best_score - static_cast<long long>(maximum_scorereduction));
  }
  long long larger_penalty() const { return std::max(mismatch_score, indel_score); }
  long long smaller_penalty() const { return std::min(mismatch_score, indel_score); }
  bool penalties_negative() const { return mismatch_score < 0 && indel_score < 0; }
};

#endif
