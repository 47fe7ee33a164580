/*
 * Extension alignment of a repeat record against its unit written out
 * endlessly, to the right (forward) and to the left (backward).
 *
 * Scoring: a residue equal to the expected unit character scores +1, a
 * tolerated N 0 (at most Ns_allowed_in_a_row in a row, and only when N's
 * are not treated as missense), a mismatch mismatch_score, an inserted
 * residue or a deleted unit character indel_score.
 *
 * Walk: the greedy run takes matches and tolerated N's without choice. At an
 * error point with score s and best score so far B, an error is tried only
 * if its resulting score stays strictly above
 *     T = max(-L, B - maximum_scorereduction)        (L = unit length)
 * and is valued by a depth-first look-ahead: the highest score reached at the
 * end of a greedy run within the tree of further errors (depth counted in
 * errors, including the one under decision). Mismatch is tried first, then
 * insertion, then deletion; a later one wins only with a strictly higher
 * value. The best state is saved at error points where the score improved.
 *
 * Ending: at the sequence limit or before too long a run of N's the walk
 * "finishes" and keeps its state only if it beats B strictly; when no error
 * passes T it "stops" and keeps its state if it at least equals B. Otherwise
 * the record is set back to the saved best state.
 *
 * Deep settings: a decision gets a budget of look-ahead calls, which up to
 * a depth of 9 never runs out (look_ahead.h).
 *
 * The rest is shortcuts, each of which leaves every record as the rule
 * makes it; each file states its argument at its top:
 *   error_free_run.cpp       candidates too weak without any error
 *   one_error_at_most.h      walks that can try one error but never a second
 *   one_error_test.cpp       the starts such walks let the search pass over
 *   greedy_run.h             sixteen residues compared at a time
 *   repeated_nodes.h         look-ahead nodes that another path reaches
 *   completed_nodes.h        look-ahead nodes dominated by completed ones
 *   follow_trail.h           walks that meet the trail of an earlier walk
 *   starts_sharing_a_walk.h  neighbouring starts that grow alike
 *   regain_best.h            walks that cannot regain their best
 *   regain_by_alignment.h    the same for long units, from the best alignment
 *   score_bound.cpp          starts whose growth provably scores too low
 *   alignment_bound.cpp      the same, from the best alignment on each side
 * Each has a switch or a plain function beside it, and the tests compare
 * the search with a plain reference written from the rule alone.
 */
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>

#include "search/extension/extension_alignment.h"
#include "search/extension/extension_walk.h"
#include "search/extension/follow_trail.h"
#include "search/extension/greedy_run.h"
#include "search/extension/look_ahead.h"
#include "search/extension/one_error_at_most.h"
#include "search/extension/regain_best.h"
#include "search/extension/regain_by_alignment.h"
#include "search/shortcut_counts.h"
#include "search/extension/walk_memo.h"

namespace {

// Returns by how much all its scores could be lower with the same errors
// taken (starts_sharing_a_walk.h).
// Walks of units read in part may find trails in a memo of recent ones too,
// and keep theirs there once memo is full.
// Walks of units read in part, given an alignment bound, ask it whether they
// can still regain their best (regain_by_alignment.h).
template <class Dir>
long long extend(const WalkRules& rules, Csat& sat, const char* limit, WalkMemo* memo, long long lowest_memorable,
                 AlignmentBound* alignment = nullptr, unsigned errors_listed = UINT_MAX, WalkMemo* recent = nullptr) {
  SavedState best;
  best.take<Dir>(sat);
  const unsigned k = sat.unit_length();
  long long shifts_survived = LLONG_MAX;
  UnitText text;
  bool recording = false;  // a trail of this walk is open
  // Off where a followed trail's choice may differ from the record's own.
  bool may_follow = true;
  WalkMemo* kept_in = memo;  // the memo that takes this walk's trail
  // Asked whether the walk may come back to its best only with residues
  // fewer than this left (regain_best.h).
  const bool end_walks_that_cannot_come_back =
      rules.end_walks_that_cannot_regain_their_best && rules.penalties_negative() && k <= longest_unit_followed;
  long long ask_again_below = LLONG_MAX;
  // Below the score of this many errors, a decision's tree is small, and
  // cheaper than following the paths. (One error passing T is what lets the
  // walk go on.)
  constexpr long long errors_worth_asking = 3;
  const long long larger_penalty = rules.larger_penalty();
  AlignmentQuestion<Dir> alignment_question(rules, alignment, k);
  if (recent && memo->full()) {
    if (recent->full()) recent->forget();
    kept_in = recent;
  }
  auto stop_recording = [&](WalkMemo::Step how, std::uint32_t met = WalkMemo::no_point) {
    if (!recording) return;
    kept_in->add(Dir::edge(sat), Dir::unit_pos(sat), sat.score, sat.Ns, how, WalkMemo::unknown_reach, met);
    recording = false;
  };
  for (;;) {
    if (greedy_run<Dir>(rules, Dir::edge(sat), Dir::unit_pos(sat), sat.score, sat.Ns, sat.unit_begin, sat.unit_end,
                        limit, text) != RunEnd::error_point) {
      stop_recording(WalkMemo::Step::walk_ended);
      if (sat.score <= best.score) best.restore<Dir>(sat);
      return shifts_survived;
    }
    if (sat.score > best.score) best.take<Dir>(sat);
    const bool choices_memorable = sat.score >= lowest_memorable;
    if (choices_memorable && may_follow) {
      const WalkMemo* met_in = memo;
      WalkMemo::Meeting met = memo->find(Dir::edge(sat), sat.unit_begin, Dir::unit_pos(sat), k, Dir::tells_reach);
      if (met.point == WalkMemo::no_point && recent) {
        met_in = recent;
        met = recent->find(Dir::edge(sat), sat.unit_begin, Dir::unit_pos(sat), k, Dir::tells_reach);
      }
      if (met.point != WalkMemo::no_point) {
        ++rules.counts->trails_followed;
        // Only a summarised memo reads where its trail went on, and its walks
        // keep no recent trails: so met lies in the memo that takes the trail.
        stop_recording(WalkMemo::Step::walk_went_on, met.point);
        shifts_survived = 0;  // the choices followed were not made at this score
        const Followed followed = follow_trail<Dir>(rules, sat, best, *met_in, met, lowest_memorable, errors_listed);
        if (followed == Followed::walk_ended) return 0;
        // Only a unit read in part meets trails of another unit.
        may_follow = !Dir::tells_reach || followed != Followed::choose_alone;
        continue;  // at an error point: the greedy run takes nothing
      }
    } else if (!choices_memorable) {
      stop_recording(WalkMemo::Step::walk_went_on);
    }
    may_follow = true;
    const long long threshold = rules.threshold_at(k, best.score);
    if (end_walks_that_cannot_come_back &&
        sat.score + errors_worth_asking * larger_penalty > threshold &&
        Dir::residues_left(Dir::edge(sat), limit) < ask_again_below) {
      ask_again_below = where_best_may_come_back<Dir>(rules, sat, Dir::edge(sat), Dir::unit_pos(sat), sat.score,
                                                      best.score, threshold, limit);
      if (ask_again_below < 0) {
        ++rules.counts->walks_ended_unable_to_regain;
        stop_recording(WalkMemo::Step::walk_went_on);
        best.restore<Dir>(sat);
        return shifts_survived;
      }
    }
    if (alignment_question.best_out_of_reach(sat, Dir::edge(sat), Dir::unit_pos(sat), best.score, threshold, limit)) {
      ++rules.counts->walks_ended_out_of_alignment_reach;
      stop_recording(WalkMemo::Step::walk_went_on);
      best.restore<Dir>(sat);
      return shifts_survived;
    }
    // Where one error passes T but two do not, the walk often cannot try a
    // second after any first: it ends in its best state, without a decision.
    if (rules.end_walks_that_cannot_regain_their_best && !choices_memorable && sat.score + larger_penalty > threshold &&
        sat.score + 2 * larger_penalty <= threshold &&
        !second_error_can_follow<Dir>(rules, Dir::edge(sat), Dir::unit_pos(sat), sat.unit_begin, sat.unit_end,
                                      sat.score, threshold, limit, text)) {
      ++rules.counts->walks_ended_after_one_error;
      stop_recording(WalkMemo::Step::walk_went_on);
      best.restore<Dir>(sat);
      return shifts_survived;
    }
    // Many walks end where not even one error passes T: no look-ahead is set
    // up for them.
    const bool decides = sat.score + larger_penalty > threshold;
    if (!Dir::tells_reach && decides && !text.written()) text.write(rules, sat.unit_begin, sat.unit_end);
    const Decision decision =
        decides ? choose_operation<Dir>(rules, sat, Dir::edge(sat), Dir::unit_pos(sat), best.score, limit, text)
                : Decision{Operation::none, WalkMemo::unknown_reach, LLONG_MAX};
    shifts_survived = std::min(shifts_survived, decision.shifts_survived);
    const Operation op = decision.chosen;
    if (op == Operation::none) {
      stop_recording(WalkMemo::Step::walk_went_on);
      if (sat.score < best.score) best.restore<Dir>(sat);
      return shifts_survived;
    }
    if (choices_memorable && kept_in->full()) {
      stop_recording(WalkMemo::Step::walk_went_on);
    } else if (choices_memorable) {
      if (!recording) kept_in->open_trail(sat.unit_begin, k);
      recording = true;
      kept_in->add(Dir::edge(sat), Dir::unit_pos(sat), sat.score, sat.Ns, step_of(op), decision.reach);
    }
    apply_operation<Dir>(rules, sat, op, errors_listed);
  }
}

}  // namespace

ExtensionAlignment::ExtensionAlignment(const SearchOptions& options, SearchWorkspace& workspace,
                                       const CSequence_Mol& sequence)
    : rules(options, workspace.completed_nodes, workspace.counts),
      options_(options),
      counts_(workspace.counts),
      sequence_(sequence),
      walk_alignment_(sequence.residues, sequence.residues + sequence.length, options.mismatch_score,
                      options.indel_score) {}

long long ExtensionAlignment::grow_both_ways(Csat& sat) {
  const long long shifts_survived = grow_forward(sat);
  grow_backward(sat);
  return shifts_survived;
}

// The lowest score at an error point from which a walk's choices depend only
// on its position and the unit ahead.
long long ExtensionAlignment::lowest_memorable(const Csat& sat) {
  if (!walks_memorised_) forget_earlier_walks();
  const unsigned k = sat.unit_length();
  return lowest_memorable_plus_L_ == never_memorable || k > WalkMemo::longest_unit ? never_memorable
                                                                                  : lowest_memorable_plus_L_ - k;
}

namespace {

// Only walks of long units note how far their choices read, which costs the
// look-ahead a step at every node.
// A summarised memo's trails must go on along trails of its own, so its walks
// keep no recent ones.
template <class Dir>
long long extend_noting_reach_if_useful(const WalkRules& rules, Csat& sat, const char* limit, WalkMemo* memo,
                                        WalkMemo* recent, long long lowest_memorable, AlignmentBound& alignment,
                                        unsigned errors_listed) {
  if (!unit_read_in_part(rules, sat.unit_length()))
    return extend<Dir>(rules, sat, limit, memo, lowest_memorable, nullptr, errors_listed);
  return extend<TellingReach<Dir>>(rules, sat, limit, memo, lowest_memorable, &alignment, errors_listed,
                                   errors_listed == UINT_MAX ? recent : nullptr);
}

}  // namespace

long long ExtensionAlignment::grow_forward(Csat& sat) {
  const long long shifts_survived =
      extend_noting_reach_if_useful<Forward>(rules, sat, sequence_.residues + sequence_.length, &forward_walks_,
                                             &recent_forward_walks_, lowest_memorable(sat), walk_alignment_,
                                             errors_listed);
  // Counted where the walk chose errors: a walk without any shares only its run.
  if (shifts_survived > 0 && shifts_survived < LLONG_MAX) ++counts_.forward_walks_starts_may_share;
  return shifts_survived;
}

void ExtensionAlignment::grow_backward(Csat& sat) {
  extend_noting_reach_if_useful<Backward>(rules, sat, sequence_.residues - 1, &backward_walks_, &recent_backward_walks_,
                                          lowest_memorable(sat), walk_alignment_, errors_listed);
  sat.trim_flanking_Ns();
}

// The walks list their errors as they meet them: the forward walk's in
// order, right of the unit copy, then the backward walk's in reverse order,
// left of it (a deletion at its first residue at most). So the order is one
// reversal and one rotation away; a list of any other shape is sorted.
// (Sorting every list was dear on long imperfect arrays.)
void sort_errors(Csat& sat) {
  missense_entry* first = sat.missense.begin();
  missense_entry* last = sat.missense.end();
  missense_entry* backward = std::find_if(
      first, last, [&sat](const missense_entry& e) { return e.position <= sat.unit_begin; });
  std::reverse(backward, last);
  std::rotate(first, backward, last);
  if (!std::is_sorted(first, last, Csat::lessThan_missense())) std::sort(first, last, Csat::lessThan_missense());
}

void ExtensionAlignment::forget_earlier_walks() {
  // Walks that list only some of their errors can go along whole paths at once.
  const bool summarised = errors_listed != UINT_MAX;
  // A point takes some twenty bytes with its slot. One per 16 residues in
  // each direction holds both trails of a 5 %-mutated array over the whole
  // sequence; fewer would leave the walks over the rest of such an array to
  // choose every error again. Walks that go along whole paths (the exact
  // repeats grown in extendExact) add a piece of trail for each exact repeat
  // of such an array, between the pieces of the walks before: they need one
  // point per 8 residues.
  const std::size_t most_points = options_.walk_points_kept_at_least + sequence_.length / (summarised ? 8 : 16);
  forward_walks_.reset(sequence_.residues, most_points, summarised, false);
  backward_walks_.reset(sequence_.residues, most_points, summarised, true);
  recent_forward_walks_.reset(sequence_.residues, options_.walk_points_kept_at_least, false, false);
  recent_backward_walks_.reset(sequence_.residues, options_.walk_points_kept_at_least, false, true);
  walks_memorised_ = true;
  // Scores never exceed the sequence length, nor units: so the threshold stays -L.
  const bool usable = rules.follow_earlier_walks && rules.penalties_negative() &&
                      rules.maximum_scorereduction >= 2 * static_cast<long long>(sequence_.length);
  const long long costliest = rules.smaller_penalty();
  lowest_memorable_plus_L_ = usable ? 1 - rules.depth * costliest : never_memorable;
}

void ExtensionAlignment::release_earlier_walks() {
  forward_walks_ = WalkMemo();
  backward_walks_ = WalkMemo();
  recent_forward_walks_ = WalkMemo();
  recent_backward_walks_ = WalkMemo();
  walks_memorised_ = true;
  lowest_memorable_plus_L_ = never_memorable;
}

void ExtensionAlignment::extend_imperfect_forward(Csat& sat, const char* seq_end) {
  extend<Forward>(rules, sat, seq_end, nullptr, never_memorable);
}

void ExtensionAlignment::extend_imperfect_backward(Csat& sat, const char* left_limit) {
  extend<Backward>(rules, sat, left_limit, nullptr, never_memorable);
}

int ExtensionAlignment::extend_imperfect_forward_leap_ahead(const char* pos, const char* unit_pos,
                                                           const char* unit_begin, const char* unit_end, int score,
                                                           int unit_length, unsigned char depth, const char* seq_end,
                                                           int best_score) {
  UnitText text;
  text.write(rules, unit_begin, unit_end);
  LookAhead look_ahead(rules, unit_begin, unit_end, seq_end, LLONG_MAX, false, pos, text);
  return leap_ahead<Forward>(look_ahead, pos, unit_pos, score, rules.depth - depth,
                             rules.threshold_at(unit_length, best_score), {Operation::none, false}, nullptr);
}

int ExtensionAlignment::extend_imperfect_backward_leap_ahead(const char* pos, const char* unit_pos,
                                                            const char* unit_begin, const char* unit_end, int score,
                                                            int unit_length, unsigned char depth,
                                                            const char* left_limit, int best_score) {
  UnitText text;
  text.write(rules, unit_begin, unit_end);
  LookAhead look_ahead(rules, unit_begin, unit_end, left_limit, LLONG_MAX, false, pos, text);
  return leap_ahead<Backward>(look_ahead, pos, unit_pos, score, rules.depth - depth,
                              rules.threshold_at(unit_length, best_score), {Operation::none, false}, nullptr);
}
