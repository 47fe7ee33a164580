#ifndef VELKOR_SEARCH_CSEARCHCONTROLLER_H
#define VELKOR_SEARCH_CSEARCHCONTROLLER_H

#include <climits>
#include <cstdio>
#include <functional>
#include <vector>

#include "repeats/CSequence_Mol.h"
#include "repeats/Csat.h"
#include "search/extension/alignment_bound.h"
#include "search/extension/walk_memo.h"
#include "search/extension/walk_rules.h"
#include "search/search_options.h"
#include "search/search_progress.h"
#include "search/search_workspace.h"
#include "search/thresholds.h"

class CAnchorSeq;
struct FoundRepeats;
class StartsToTry;
class ScoreBound;

// The search engine for one sequence: made per record, runs one search mode,
// and hands its records back to the pool when destroyed.
class CSearchController {
 public:
  const SearchOptions& options;
  SearchWorkspace& workspace;
  unsigned sequence_number;
  CSequence_Mol& sequence;
  CsatContainer imperfect_sats{&sat_alloc};

  // What the search tells of its progress; nothing unless the caller says.
  SearchProgress search_progress;

  // Searches seq (record number) under options, with the worker's
  // workspace, whose threshold tables it makes cover the unit lengths the
  // record allows.
  CSearchController(const SearchOptions& search_options, SearchWorkspace& worker, unsigned number,
                    CSequence_Mol& seq);
  CSearchController(const CSearchController&) = delete;
  CSearchController& operator=(const CSearchController&) = delete;

  Thresholds user_thresholds() const { return workspace.thresholds.user(); }
  Thresholds internal_thresholds() const { return workspace.thresholds.internal(); }

  // What the exact search does with each repeat it keeps, in the order found.
  class ExactRepeatTaker {
   public:
    // True when the taker keeps the record; false when it took what it
    // needs and the search may make its next candidate in the record.
    virtual bool take(Csat& repeat) = 0;
    // Positions the search passes between two looks at the progress clock:
    // as many as it passes in well under a second with this taker.
    virtual long progress_stride() const = 0;

   protected:
    ~ExactRepeatTaker() = default;
  };

  // Search mode exact, handing the records to sink as they are made, sorted
  // by lessThan_sat.
  void exact_search_2(const Thresholds& thresholds, RecordSink& sink);
  // The exact search under thresholds, each repeat kept handed to taker the
  // moment it is found. Repeats that also pass the user's thresholds cover
  // their residues for longer units, whatever thresholds are in force.
  void exact_search_2(const Thresholds& thresholds, ExactRepeatTaker& taker);
  // The same for the starts from `from` to before `to` only. Gives up, and
  // returns false, where a stretch that repeats itself holds `from` and
  // begins more than reach_back residues before it (the residues before
  // the sequence count as none).
  bool exact_search_starts(const Thresholds& thresholds, ExactRepeatTaker& taker, const char* from, const char* to,
                           std::size_t reach_back);
  // The exact search of a long record in parts, its repeats handed to taker
  // in the order of the whole search (the argument is stated in
  // exact_search_in_parts.cpp).
  void exact_search_in_parts(const Thresholds& thresholds, FoundRepeats& taker);
  // Search mode extendExact: the repeats handed to result in order, or
  // (without a result) kept in imperfect_sats.
  void search_exact_and_extend_to_imperfect_repeats(RecordSink& result);
  void search_exact_and_extend_to_imperfect_repeats();
  // Exact repeats are grown the moment they are found, so that only the
  // ones kept take memory.
  struct GrownSeeds;
  void grow_seed(GrownSeeds& grown, Csat* seed);
  void grow_waiting_seeds(GrownSeeds& grown);
  // Search mode imperfect; result in imperfect_sats.
  void complete_imperfect_search();
  // Runs every task given, perhaps several at once, and returns once all
  // are done, rethrowing what one of them threw. When set, the imperfect
  // and exact searches of a long record run in parts, their records those
  // of the whole search.
  std::function<void(std::vector<std::function<void()>>&)> run_parts;
  // A record is cut into parts of at least this many starts.
  std::size_t starts_in_a_part() const;
  std::size_t parts_of(std::size_t residues) const;
  std::vector<std::size_t> search_in_parts();
  // Searches the starts from `from` to before `to` for every unit length in
  // turn; returns where each pass's records end in imperfect_sats.
  std::vector<std::size_t> search_unit_lengths_in_turn(const char* from, const char* to);
  // A unit needs at least one residue after its first copy, so the longest
  // unit worth trying is one shorter than the sequence; the threshold tables
  // reach that far.
  unsigned longest_unit_searched() const;
  void unit_len_1_complete_imperfect_search(CAnchorSeq& anchors, StartsToTry& starts, SatList& result);
  void one_unit_len_complete_imperfect_search(unsigned unit_length, CAnchorSeq& anchors, StartsToTry& starts,
                                              ScoreBound& score_bound, AlignmentBound& alignment_bound,
                                              SatList& result);

  // Of two mostly overlapping repeats keeps the higher-scoring one.
  void remove_hidden(CsatContainer& container);

  // Accepted imperfect repeats whose long error lists were let go, to be
  // grown again once the overlap removal has chosen among them.
  std::vector<Csat*> error_lists_let_go;
  // A grown record lists only its first errors_listed errors, and counts the
  // rest: set where longer lists are let go and grown again.
  unsigned errors_listed = UINT_MAX;
  void grow_error_lists_again();

  // Extension alignment over mismatches, insertions and deletions.
  // grow_both_ways grows a record forward, then backward, and trims N's off
  // its ends. It returns how many residues further on a copy of the same
  // unit, where the residues repeat, would grow into the same record (the
  // rule is stated in starts_sharing_a_walk.h).
  long long grow_both_ways(Csat& sat);
  // The two halves of grow_both_ways: the forward walk, which returns the
  // same count, and the backward walk with the trimming.
  long long grow_forward(Csat& sat);
  void grow_backward(Csat& sat);
  // Puts the errors of a grown record in order (Csat::lessThan_missense).
  static void sort_errors(Csat& sat);
  void extend_imperfect_forward(Csat& sat, const char* seq_end);
  void extend_imperfect_backward(Csat& sat, const char* left_limit);
  // The scoring and shortcuts as the walks read them, with this worker's scratch.
  WalkRules walk_rules;
  WalkMemo forward_walks, backward_walks;
  // Walks of units read in part meet the trails of the starts just before
  // theirs. Once the memo above is full, they keep their trails here, and
  // these are forgotten whenever they fill it: the trails the memo above
  // keeps, such as those of long arrays, stay.
  WalkMemo recent_forward_walks, recent_backward_walks;
  // Asked by the walks of long units whether they can regain their best.
  AlignmentBound walk_alignment;
  bool walks_memorised = false;
  long long lowest_memorable_plus_L = 0;
  void forget_earlier_walks();
  // Frees the trails; walks from then on choose each error themselves.
  void release_earlier_walks();
  long long lowest_memorable(const Csat& sat);
  int extend_imperfect_forward_leap_ahead(const char* pos, const char* unit_pos, const char* unit_begin,
                                          const char* unit_end, int score, int unit_length, unsigned char depth,
                                          const char* seq_end, int best_score);
  int extend_imperfect_backward_leap_ahead(const char* pos, const char* unit_pos, const char* unit_begin,
                                           const char* unit_end, int score, int unit_length, unsigned char depth,
                                           const char* left_limit, int best_score);
};

#endif
