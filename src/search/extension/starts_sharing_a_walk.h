/*
 * Starts that share a walk: where T is -L throughout and the look-ahead
 * is within its budget, a decision is made alike with every score j lower
 * if none of its look-ahead nodes was entered at -L + j or below: the same
 * nodes are visited, each valued j lower. The candidate copy one residue
 * right of a rejected one, where the residue after the copy repeats its
 * first, walks forward along the same residues one match behind, and then
 * backward over that residue into the same walk. If the forward walk's
 * choices all survive a shift of one, it grows into the same record and is
 * rejected too; j residues on likewise, for a shift of j, while the copy's
 * residues repeat. Its best state is the same too: it starts at its copy
 * with score 0, the earlier walk's at the earlier copy, and the earlier
 * walk's first stop (at least j matches on) scores more, or is where the
 * later copy ends, or lies beyond N's there that the trimming takes off.
 */
// Included only by the extension's own source files. What it defines keeps
// internal linkage, so that the compiler inlines it into the walks just as
// it would within one file.
#ifndef VELKOR_SEARCH_EXTENSION_STARTS_SHARING_A_WALK_H
#define VELKOR_SEARCH_EXTENSION_STARTS_SHARING_A_WALK_H

#include <algorithm>

#include "search/extension/walk_rules.h"

namespace {

// By how much every score of a decision may fall with the same error
// chosen. Nodes are entered no lower than the costlier error below the
// lowest node that tries errors (counted there, once a node, rather than at
// every node); none may be entered at -L or below.
inline long long shifts_a_decision_survives(const WalkRules& rules, bool threshold_fixed, long long root_score,
                                            int lowest_trying, long long unit_length) {
  const long long lowest_entry =
      std::min<long long>(root_score, lowest_trying) + rules.smaller_penalty();
  return threshold_fixed ? std::max(0LL, lowest_entry + unit_length - 1) : 0;
}

}  // namespace

#endif
