/*
 * Walks that cannot regain their best: at an error point where an error
 * passes T, a walk's score is at most its best score B, and the walk goes
 * on. Its result is then its saved best state unless a later state scores B
 * or more; until one does, the best score and so T stay as they are. Its
 * path is one of those that matches (an N counted as one), mismatches,
 * insertions and deletions can take from its state, an error only to a
 * score above T. Following all of them at once, with the highest score for
 * each unit phase after each residue, shows whether any comes back to B
 * before all of them end or the sequence does: where none does, the walk is
 * set back to its best state at once. That is most of a long repeat's last
 * walk into the residues beyond it, where every decision looks ahead over a
 * whole tree at a high score. A walk that may come back is asked again only
 * past where the first path came back, so the paths are followed over each
 * residue once at most; and only where it can afford a few errors, as a
 * decision that cannot is cheaper than following the paths, and for units
 * of up to sixteen residues, as the paths of longer ones run long.
 */
// Included only by the extension's own source files. What it defines keeps
// internal linkage, so that the compiler inlines it into the walks just as
// it would within one file.
#ifndef VELKOR_SEARCH_EXTENSION_REGAIN_BEST_H
#define VELKOR_SEARCH_EXTENSION_REGAIN_BEST_H

#include <algorithm>
#include <climits>
#include <cstddef>
#include <utility>

#include "repeats/Csat.h"
#include "search/extension/extension_walk.h"

namespace {

// Units whose walks' paths are followed (see above): following them costs a
// step per unit phase and residue, and the paths of a long unit's walk go on
// until they have lost as many points as the unit is long, which on
// satellites costs far more than the decisions it spares.
constexpr std::size_t longest_unit_followed = 16;
// The score of a phase that no path has reached: below any threshold, and
// far enough from the type's limit that adding a penalty cannot wrap.
constexpr long long unreached = LLONG_MIN / 2;

// Whether a path from an error point at pos, with unit_pos and score, comes
// back to best, and where: the residues left before the limit from there, or
// -1 where no path does (see above). The
// state it starts from is not a later state: scores are compared with best
// only after a residue (a deletion alone cannot raise them).
// Penalties must be negative, or deletions could go round the unit forever,
// and the unit no longer than longest_unit_followed. Every score a path
// reaches lies above the threshold (it starts there, and errors are taken
// only to such scores), so the phases no path has reached
// hold a score below it, and need no test of their own.
template <class Dir>
long long where_best_may_come_back(const WalkRules& rules, const Csat& sat, const char* pos, const char* unit_pos,
                                   long long score, long long best, long long threshold, const char* limit) {
  const char* const unit_begin = sat.unit_begin;
  const char* const unit_end = sat.unit_end;
  const int k = static_cast<int>(sat.unit_length());
  // For each phase, the one a step along the unit leads to and the one it
  // is led to from: indices, where pointers would cost a test for the
  // unit's end at every step.
  int after[longest_unit_followed], before[longest_unit_followed];
  for (int u = 0; u < k; ++u) {
    after[u] = static_cast<int>(Dir::unit_step(unit_begin + u, unit_begin, unit_end) - unit_begin);
    before[after[u]] = u;
  }
  long long scores[2][longest_unit_followed];  // the highest score of each unit phase
  long long* here = scores[0];
  long long* next = scores[1];
  std::fill(here, here + k, unreached);
  int highest = static_cast<int>(unit_pos - unit_begin);  // the phase of the highest score
  here[highest] = score;
  const long long mismatch = rules.mismatch_score, indel = rules.indel_score;
  auto if_above_threshold = [threshold](long long s) { return s > threshold ? s : unreached; };
  for (;;) {
    // Deletions. Round the unit from the highest score is enough: a path of
    // deletions through that phase does better starting there.
    for (int u = highest, v = after[u]; v != highest; u = v, v = after[v])
      here[v] = std::max(here[v], if_above_threshold(here[u] + indel));
    if (Dir::at_limit(pos, limit)) return -1;
    const char residue = *Dir::next_residue(pos);
    pos = Dir::step(pos);
    // A phase is reached by a match or a mismatch from the one before it, or
    // by an insertion from itself.
    long long top = unreached;
    for (int v = 0; v < k; ++v) {
      const long long from = here[before[v]];
      const bool match = residue == unit_begin[before[v]] || residue == 'N';
      next[v] = std::max(match ? from + 1 : if_above_threshold(from + mismatch), if_above_threshold(here[v] + indel));
      top = std::max(top, next[v]);
    }
    if (top >= best) return Dir::residues_left(pos, limit);
    if (top <= threshold) return -1;
    highest = 0;  // the first phase with the top score, as a search by hand: std::find stayed a call
    while (next[highest] != top) ++highest;
    std::swap(here, next);
  }
}

}  // namespace

#endif
