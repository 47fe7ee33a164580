/*
 * Walks that meet: where the score-reduction limit is out of reach and both
 * penalties are negative, T is -L throughout. A walk whose score at an error
 * point stays above -L even after as many errors as the look-ahead is deep
 * sees no node fall to the threshold, so its choice there, and the greedy
 * run behind it, depend only on the position and the unit ahead: scores
 * only ever compare with each other. Two walks with the same unit ahead at
 * such a point take the same errors for as long as both stay that high,
 * their scores a constant apart. Each direction keeps the trails of such
 * points (position, unit phase, score, error taken); a walk that reaches a
 * point of an earlier trail with the same unit ahead follows it, keeping its
 * best state as it would have walking. Where the earlier walk ended, it ends
 * alike; where the trail stops short (the earlier walk fell below that
 * height, or met another trail) or its own score falls below that height,
 * it chooses again itself. (The completed nodes' slots depend on where the
 * unit lies, but a node lost to a slot is merely expanded again: no choice
 * depends on them.)
 *
 * Units read in part: a decision reads the unit no further ahead than its
 * nodes' greedy runs reach residues, plus one step per level for the
 * deletions on the way. Where the unit is longer than that, a walk may meet
 * a trail whose unit ahead differs from its own at a few unit steps, and
 * follows it for as long as each choice it takes over read the unit short
 * of every such step: that choice read the same residues and the same unit
 * characters, so it was made alike. Neighbouring starts of one long unit
 * length hold units that differ at one phase, and their walks follow each
 * other for most of a unit. (How far a decision reads is known only within
 * the look-ahead's budget, which counts nodes and so depends on more.)
 *
 * Paths taken at once: a walk that only counts its errors beyond the first
 * few, without listing them (the list is let go, and grown again for a
 * repeat that the overlap removal keeps), need not take a followed trail's
 * errors one by one. A trail whose walk met an earlier trail went on along
 * that one; so from any error point a path runs over the rest of its trail
 * and on along the trails met, to a point where a walk ended or chose again.
 * Following it, the walk's scores stay the path's plus a constant and its
 * unit phases turn by a constant; its best state becomes the path's first
 * point of highest score if that beats the best so far. So where no point of
 * the path before its last falls below the height of the trails, the walk
 * goes to the path's last point at once, with the errors counted by kind and
 * the best state that the steps would have kept. (Each trail keeps where its
 * path goes on, and every sixteenth point what lies after it on its trail.)
 */
// Included only by the extension's own source files. What it defines keeps
// internal linkage, so that the compiler inlines it into the walks just as
// it would within one file.
#ifndef VELKOR_SEARCH_EXTENSION_FOLLOW_TRAIL_H
#define VELKOR_SEARCH_EXTENSION_FOLLOW_TRAIL_H

#include <climits>
#include <cstdint>

#include "repeats/Csat.h"
#include "search/extension/extension_walk.h"
#include "search/extension/look_ahead.h"
#include "search/shortcut_counts.h"
#include "search/extension/walk_memo.h"

namespace {

constexpr long long never_memorable = LLONG_MAX;

// A decision reads at least as many unit steps ahead as the look-ahead is
// deep, and only a longer unit can differ from another beyond that; a
// deeper look-ahead would need the budget, which counts nodes. Walks of such
// units go in a TellingReach direction.
inline bool unit_read_in_part(const WalkRules& rules, unsigned k) {
  const int depth = rules.depth;
  return depth <= deepest_within_budget && k > static_cast<unsigned>(depth) + 1;
}

inline WalkMemo::Step step_of(Operation op) {
  switch (op) {
    case Operation::mismatch: return WalkMemo::Step::mismatch;
    case Operation::insertion: return WalkMemo::Step::insertion;
    case Operation::deletion: return WalkMemo::Step::deletion;
    case Operation::none: break;
  }
  return WalkMemo::Step::walk_went_on;
}

inline Operation operation_of(WalkMemo::Step step) {
  switch (step) {
    case WalkMemo::Step::mismatch: return Operation::mismatch;
    case WalkMemo::Step::insertion: return Operation::insertion;
    case WalkMemo::Step::deletion: return Operation::deletion;
    default: return Operation::none;
  }
}

// How following a trail ended: where the earlier walk ended; where the
// record must choose (the trail stopped, or the record fell too low), and may
// meet another trail there; or where the record's unit, differing from the
// trail's, might have made another choice, which the record makes itself.
enum class Followed { walk_ended, choose_here, choose_alone };

// Goes along the whole path ahead of an error point at once, where no point
// before its last falls below the lowest memorable score and the record lists
// no more errors: the record ends in the path's last state, with the best
// state the steps would have kept. phase_shift turns the point's unit phases
// into the record's.
template <class Dir>
Followed go_along_path(Csat& sat, SavedState& best, const WalkMemo& memo, const WalkMemo::PathAhead& path,
                       std::uint64_t phase_shift) {
  const unsigned k = sat.unit_length();
  auto state_at = [&](const WalkMemo::PathAhead::State& ahead) {
    const WalkMemo::Point& point = memo.point(ahead.point);
    SavedState state;
    state.edge = memo.first() + point.offset;
    state.unit_pos = sat.unit_begin + (point.phase() + phase_shift + ahead.phase_shift) % k;
    state.score = sat.score + ahead.score;
    state.mismatches = sat.mismatches + static_cast<int>(ahead.errors[0]);
    state.insertions = sat.insertions + static_cast<int>(ahead.errors[1]);
    state.deletions = sat.deletions + static_cast<int>(ahead.errors[2]);
    state.Ns = sat.Ns + ahead.Ns;
    state.missense_count = sat.missense.count;
    return state;
  };
  if (path.best.point != WalkMemo::no_point) {
    const SavedState best_ahead = state_at(path.best);
    if (best_ahead.score > best.score) best = best_ahead;
  }
  const SavedState last = state_at(path.last);
  last.restore<Dir>(sat);
  if (memo.point(path.last.point).step() == WalkMemo::Step::walk_went_on) return Followed::choose_here;
  if (sat.score <= best.score) best.restore<Dir>(sat);
  return Followed::walk_ended;
}

// Follows an earlier walk's trail from the point where the record met it,
// where the record's state is that of the point but for a score shift and a
// rotation of the unit: takes the errors the trail took and the greedy runs
// between them, keeping the best state as the walk would, until the trail
// ends, the record's score falls too low, or the trail's choice read the
// unit where the record's differs; there the record chooses itself.
template <class Dir>
Followed follow_trail(const WalkRules& rules, Csat& sat, SavedState& best, const WalkMemo& memo,
                      const WalkMemo::Meeting& meeting, long long lowest_memorable, unsigned errors_listed) {
  const std::uint32_t at = meeting.point;
  const WalkMemo::Point& start = memo.point(at);
  const WalkMemo::Trail& trail = memo.trail_of(at);
  const unsigned k = sat.unit_length();
  const int score_shift = sat.score - start.score;
  const int Ns_shift = sat.Ns - trail.Ns;
  const std::uint64_t phase = static_cast<std::uint64_t>(Dir::unit_pos(sat) - sat.unit_begin);
  const std::uint64_t phase_shift = (phase + k - start.phase()) % k;
  for (std::uint32_t i = at;; ++i) {
    if (!memo.chosen_alike(meeting, i)) return Followed::choose_alone;
    if (sat.missense.count >= errors_listed && memo.path_known(i)) {
      const WalkMemo::PathAhead path = memo.path_ahead(i);
      if (path.lowest_score == INT64_MAX || sat.score + path.lowest_score >= lowest_memorable) {
        ++rules.counts->paths_taken_at_once;
        return go_along_path<Dir>(sat, best, memo, path, phase_shift);
      }
    }
    apply_operation<Dir>(rules, sat, operation_of(memo.point(i).step()), errors_listed);
    const WalkMemo::Point& next = memo.point(i + 1);
    Dir::edge(sat) = memo.first() + next.offset;
    Dir::unit_pos(sat) = sat.unit_begin + (next.phase() + phase_shift) % k;
    sat.score = next.score + score_shift;
    if (next.step() == WalkMemo::Step::walk_ended) {
      sat.Ns = trail.end_Ns + Ns_shift;
      if (sat.score <= best.score) best.restore<Dir>(sat);
      return Followed::walk_ended;
    }
    if (next.step() == WalkMemo::Step::walk_went_on) {
      sat.Ns = trail.end_Ns + Ns_shift;
      return Followed::choose_here;
    }
    if (sat.score < lowest_memorable) return Followed::choose_here;
    if (sat.score > best.score) best.take<Dir>(sat);
  }
}

}  // namespace

#endif
