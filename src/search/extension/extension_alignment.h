#ifndef VELKOR_SEARCH_EXTENSION_EXTENSION_ALIGNMENT_H
#define VELKOR_SEARCH_EXTENSION_EXTENSION_ALIGNMENT_H

#include <climits>

#include "repeats/CSequence_Mol.h"
#include "repeats/Csat.h"
#include "search/extension/alignment_bound.h"
#include "search/extension/walk_memo.h"
#include "search/extension/walk_rules.h"
#include "search/search_options.h"
#include "search/search_workspace.h"

// ExtensionAlignment alignment over mismatches, insertions and deletions (the rule is
// stated in extend_imperfect.cpp), for the records of one sequence, with the
// trails of earlier walks that later walks may follow.
class ExtensionAlignment {
 public:
  ExtensionAlignment(const SearchOptions& options, SearchWorkspace& workspace, const CSequence_Mol& sequence);
  ExtensionAlignment(const ExtensionAlignment&) = delete;
  ExtensionAlignment& operator=(const ExtensionAlignment&) = delete;

  // Grows a record forward, then backward, and trims N's off its ends.
  // Returns how many residues further on a copy of the same unit, where the
  // residues repeat, would grow into the same record (the rule is stated in
  // starts_sharing_a_walk.h).
  long long grow_both_ways(Csat& sat);
  // The two halves of grow_both_ways: the forward walk, which returns the
  // same count, and the backward walk with the trimming.
  long long grow_forward(Csat& sat);
  void grow_backward(Csat& sat);

  // The walks alone, without trails and without trimming.
  void extend_imperfect_forward(Csat& sat, const char* seq_end);
  void extend_imperfect_backward(Csat& sat, const char* left_limit);
  // The value of a look-ahead node, depth errors below the root of the
  // decision at the best score given.
  int extend_imperfect_forward_leap_ahead(const char* pos, const char* unit_pos, const char* unit_begin,
                                          const char* unit_end, int score, int unit_length, unsigned char depth,
                                          const char* seq_end, int best_score);
  int extend_imperfect_backward_leap_ahead(const char* pos, const char* unit_pos, const char* unit_begin,
                                           const char* unit_end, int score, int unit_length, unsigned char depth,
                                           const char* left_limit, int best_score);

  // Only walks with units of the same length can meet: the trails are
  // forgotten before each unit length.
  void forget_earlier_walks();
  // Frees the trails; walks from then on choose each error themselves.
  void release_earlier_walks();
  // Forgets the forward trails only, making room for what walks add to
  // their lists.
  void forget_forward_walks() { forward_walks_ = WalkMemo(); }

  // A grown record lists only its first errors_listed errors, and counts the
  // rest: set where longer lists are let go and grown again.
  unsigned errors_listed = UINT_MAX;

  // The scoring and shortcuts as the walks read them, with the worker's scratch.
  const WalkRules rules;

 private:
  long long lowest_memorable(const Csat& sat);

  const SearchOptions& options_;
  ShortcutCounts& counts_;
  const CSequence_Mol& sequence_;
  WalkMemo forward_walks_, backward_walks_;
  // Walks of units read in part meet the trails of the starts just before
  // theirs. Once the memo above is full, they keep their trails here, and
  // these are forgotten whenever they fill it: the trails the memo above
  // keeps, such as those of long arrays, stay.
  WalkMemo recent_forward_walks_, recent_backward_walks_;
  // Asked by the walks of long units whether they can regain their best.
  AlignmentBound walk_alignment_;
  bool walks_memorised_ = false;
  long long lowest_memorable_plus_L_ = 0;
};

// Puts the errors of a grown record in order (Csat::lessThan_missense).
void sort_errors(Csat& sat);

#endif
