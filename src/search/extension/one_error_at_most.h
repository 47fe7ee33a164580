/*
 * One error at most: a walk that tries one error but can never try a second
 * ends with the score it had before the error. Never trying a second error
 * means the score after the error and the greedy run behind it, plus the
 * larger penalty, stays at or below -L; the run behind the error is then
 * shorter than the larger penalty is costly, so the walk never regains the
 * error's penalty, and falls back to its best state. When that holds for every
 * error either direction could try, the candidate's result scores exactly its
 * error-free run, and one below the minimum is rejected without the walk.
 * The same holds at any error point of a walk where one error passes T but
 * two do not: where no error leaves a greedy run behind it long enough for
 * a second, the walk ends in its best state (the score after the error and
 * its run stays below the score before it, which is at most B, and T does
 * not move), so it is set back at once. Only where its choices are not
 * memorable: a trail would have kept the error.
 */
// Included only by the extension's own source files. What it defines keeps
// internal linkage, so that the compiler inlines it into the walks just as
// it would within one file.
#ifndef VELKOR_SEARCH_EXTENSION_ONE_ERROR_AT_MOST_H
#define VELKOR_SEARCH_EXTENSION_ONE_ERROR_AT_MOST_H

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "search/extension/extension_walk.h"
#include "search/extension/greedy_run.h"

namespace {

// Counts the matches of a greedy run from pos on, up to cap, without its
// handling of N's; -1 when the run meets a tolerated N (left to the full
// walk). Sixteen at a time where the walk has written its unit's text for
// a decision already: where the count ends is as hard to foretell as where
// a greedy run does, but writing a text for the count alone cost more than
// it saved. Inlined: a call of its own cost more than the count.
template <class Dir>
__attribute__((always_inline)) inline long long count_matches(bool Ns_tolerated, const char* pos, const char* unit_pos,
                                                              const char* unit_begin, const char* unit_end,
                                                              const char* limit, long long cap,
                                                              const UnitText& text) {
#ifdef __SSE2__
  if (!Dir::tells_reach && text.written() && 0 < cap && cap <= 16 && Dir::residues_left(pos, limit) >= 16) {
    const unsigned run = text.matches<Dir>(pos, unit_pos - unit_begin);
    if (run >= cap) return cap;
    return *Dir::next_residue(Dir::forward ? pos + run : pos - run) == 'N' && Ns_tolerated ? -1 : run;
  }
#endif
  long long matches = 0;
  for (; matches < cap && !Dir::at_limit(pos, limit); ++matches) {
    const char residue = *Dir::next_residue(pos);
    if (residue != *unit_pos) return residue == 'N' && Ns_tolerated ? -1 : matches;
    pos = Dir::step(pos);
    unit_pos = Dir::unit_step(unit_pos, unit_begin, unit_end);
  }
  return matches;
}

// Whether some error from the error point at pos (unit_pos ahead, score)
// passes the threshold, and the greedy run behind it then lets a second one
// pass too (see above). A tolerated N is left to the walk: yes.
template <class Dir>
bool second_error_can_follow(const WalkRules& rules, const char* pos, const char* unit_pos, const char* unit_begin,
                             const char* unit_end, long long score, long long threshold, const char* limit,
                             const UnitText& text) {
  const long long larger_penalty = rules.larger_penalty();
  auto follows = [&](long long penalty, const char* next_pos, const char* next_unit_pos) {
    const long long after_error = score + penalty;
    if (after_error <= threshold) return false;
    const long long needed = threshold - larger_penalty - after_error + 1;
    const long long run =
        count_matches<Dir>(rules.Ns_tolerated, next_pos, next_unit_pos, unit_begin, unit_end, limit, needed, text);
    return run < 0 || run >= needed;
  };
  const char* next_unit_pos = Dir::unit_step(unit_pos, unit_begin, unit_end);
  return follows(rules.mismatch_score, Dir::step(pos), next_unit_pos) ||
         follows(rules.indel_score, Dir::step(pos), unit_pos) || follows(rules.indel_score, pos, next_unit_pos);
}

}  // namespace

#endif
