#ifndef VELKOR_SEARCH_CSEARCHCONTROLLER_H
#define VELKOR_SEARCH_CSEARCHCONTROLLER_H

#include <climits>
#include <cstdio>
#include <functional>
#include <vector>

#include "repeats/CSequence_Mol.h"
#include "repeats/Csat.h"
#include "search/extension/alignment_bound.h"
#include "search/extension/extension_alignment.h"
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
  void grow_error_lists_again();

  // The walks that grow the candidates of the imperfect searches.
  ExtensionAlignment extension;
};

#endif
