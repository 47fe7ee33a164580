/*
 * Look-ahead nodes left out: within one decision, where the threshold is
 * -L throughout (the score-reduction limit is out of reach), penalties are
 * negative and the call budget cannot run out (look_ahead.h), a node's
 * value depends only on its position, unit position, score and remaining
 * depth, and is no lower for a higher score or a greater remaining depth. So at a node
 * reached by an insertion or a deletion whose greedy run took nothing:
 * its mismatch child is left out when its parent's mismatch child took
 * nothing either (insertion-mismatch reaches the node mismatch-insertion
 * reached, deletion-mismatch the one of mismatch-deletion, with the same
 * score and depth), and, when two indel penalties cost no less than a
 * mismatch, so is its deletion or insertion child (insertion-deletion and
 * deletion-insertion reach the parent's mismatch child with a lower score
 * and less depth). A node left out is matched or beaten by one visited
 * earlier under the same or an earlier error of the decision, and an error
 * wins a decision only with a strictly higher value, so no decision changes.
 * A unit of one residue goes further: an insertion reaches the node of the
 * mismatch (lower or equal score when an indel costs no less than a
 * mismatch), and a deletion stays on its parent's node with a lower score,
 * where all it can reach the parent's other children reach better; so only
 * mismatches are looked at.
 */
// Included only by the extension's own source files. What it defines keeps
// internal linkage, so that the compiler inlines it into the walks just as
// it would within one file.
#ifndef VELKOR_SEARCH_EXTENSION_REPEATED_NODES_H
#define VELKOR_SEARCH_EXTENSION_REPEATED_NODES_H

#include "search/extension/extension_walk.h"

namespace {

// How a look-ahead node was reached: by which error, and whether that
// error's mismatch sibling took nothing in its greedy run.
struct Arrival {
  Operation by;
  bool mismatch_sibling_empty;
};

// The errors a node does not try, as their nodes are reached along another
// path too.
struct LeftOut {
  bool mismatch, insertion, deletion;
};

// Whether insertion-deletion and deletion-insertion may be left out too:
// where two indel penalties cost no less than a mismatch.
inline bool indel_pairs_left_out(long long mismatch_score, long long indel_score) {
  return 2 * indel_score <= mismatch_score;
}

// Whether a unit of one residue looks at its mismatches alone: where an
// indel costs no less than a mismatch.
inline bool mismatches_only_for(long long unit_length, long long mismatch_score, long long indel_score) {
  return (unit_length == 1) & (indel_score <= mismatch_score);
}

// The children left out at a node that arrived as given, whose greedy run
// took nothing (empty) or something.
inline LeftOut children_left_out(Arrival arrival, bool empty, bool leave_out_repeated, bool leave_out_indel_pair) {
  const bool after_empty_indel =
      empty && leave_out_repeated && (arrival.by == Operation::insertion || arrival.by == Operation::deletion);
  const bool leave_out_pair = after_empty_indel && leave_out_indel_pair;
  return {after_empty_indel && arrival.mismatch_sibling_empty, leave_out_pair && arrival.by == Operation::deletion,
          leave_out_pair && arrival.by == Operation::insertion};
}

}  // namespace

#endif
