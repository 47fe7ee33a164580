/*
 * Walks of long units that cannot regain their best, shown by the best
 * alignment from where they stand. At an error point a walk's score s lies
 * below its best B, and its result is its saved best state unless a later
 * state scores B or more (a walk that stops keeps a state that equals B, one
 * that finishes only one that beats it). Until one does, B and so T stay as
 * they are, and every later state of the walk lies on a path from here
 * whose states all score above T: errors are taken only to such scores, and
 * greedy runs only add. Such a path is an alignment of the residues ahead
 * against the unit written out from the walk's unit position, with a
 * tolerated N at 0 or less; so if the best of those alignments
 * (alignment_bound.cpp) gains less than B - s, the walk ends in its best
 * state, whatever the look-ahead would choose on the way down.
 *
 * Near T the walks of long units choose each error themselves (no trail
 * holds such choices) and sink slowly, a penalty at a time; there, with
 * little room above T, the alignment dies within a few residues, unless the
 * residues ahead match the unit at some phase the walk could still reach.
 * It is asked once the walk is within as many errors of T as the
 * look-ahead is deep, and again only lower down; by the walks of units of
 * 20 and more that are read in part (follow_trail.h), so that the walks of
 * short units carry nothing for it. A walk ended so keeps the shifts its
 * choices survive (starts_sharing_a_walk.h): with every score lower by such
 * a shift, it takes the same path to here, with less room above T, so no
 * alignment from here reaches its best either; and where it asks before the
 * unshifted walk would, an alignment from there that reached its best would
 * be the unshifted walk's own path, whose states the shift keeps above T.
 */
// Included only by the extension's own source files. What it defines keeps
// internal linkage, so that the compiler inlines it into the walks just as
// it would within one file.
#ifndef VELKOR_SEARCH_EXTENSION_REGAIN_BY_ALIGNMENT_H
#define VELKOR_SEARCH_EXTENSION_REGAIN_BY_ALIGNMENT_H

#include <algorithm>
#include <climits>

#include "repeats/Csat.h"
#include "search/extension/alignment_bound.h"
#include "search/extension/extension_walk.h"
#include "search/extension/look_ahead.h"

namespace {

// What a walk asks the alignment, and when. Only the walks of units read in
// part ask (Dir::tells_reach): those of short units, most of all, carry
// nothing for it.
template <class Dir>
class AlignmentQuestion {
 public:
  AlignmentQuestion(const WalkRules& rules, AlignmentBound* bound, unsigned k) {
    if constexpr (Dir::tells_reach) {
      // Units the alignment serves; the length first, which needs no call.
      if (bound && rules.end_walks_that_cannot_regain_their_best &&
          k >= AlignmentBound::shortest_unit && bound->applies(k))
        bound_ = bound;
      asked_within_ = -static_cast<long long>(rules.depth) * rules.smaller_penalty();
    }
  }

  // Whether no alignment from the walk's state at an error point, all its
  // states above threshold, comes back to best; false where not asked.
  bool best_out_of_reach(const Csat& sat, const char* pos, const char* unit_pos, long long best,
                         long long threshold, const char* limit) {
    if constexpr (Dir::tells_reach) {
      if (!bound_ || sat.score >= best || sat.score >= asked_below_ || sat.score - threshold > asked_within_)
        return false;
      asked_below_ = sat.score;
      const long long room = threshold - sat.score, wanted = best - sat.score;
      if (room <= INT_MIN || wanted >= INT_MAX) return false;
      const AlignmentBound::Side side = Dir::forward ? AlignmentBound::Side::ahead : AlignmentBound::Side::behind;
      const int gain = bound_->highest_gain_on(side, pos, sat.unit_begin, static_cast<int>(sat.unit_length()),
                                               static_cast<int>(unit_pos - sat.unit_begin),
                                               Dir::residues_left(pos, limit), static_cast<int>(room),
                                               static_cast<int>(wanted));
      return gain < wanted;
    }
    return false;
  }

 private:
  AlignmentBound* bound_ = nullptr;  // null: the walk does not ask
  long long asked_within_ = 0;       // of T: as many of the costlier errors as the look-ahead is deep
  long long asked_below_ = LLONG_MAX;
};

}  // namespace

#endif
