#ifndef VELKOR_SEARCH_CSEARCHCONTROLLER_H
#define VELKOR_SEARCH_CSEARCHCONTROLLER_H

#include "repeats/CSequence_Mol.h"
#include "repeats/Csat.h"
#include "search/extension/extension_alignment.h"
#include "search/record_search.h"
#include "search/search_options.h"
#include "search/search_progress.h"
#include "search/search_workspace.h"
#include "search/thresholds.h"

// The entry point of the search of one record, made per record: runs one
// search mode by handing it to the piece that does it (exact/,
// extend_exact/, imperfect/, with the extension/ that grows their
// candidates), and hands its records back to the pool when destroyed.
class CSearchController {
 public:
  const SearchOptions& options;
  SearchWorkspace& workspace;
  Csat_garbagecollector& records;
  unsigned sequence_number;
  CSequence_Mol& sequence;
  CsatContainer imperfect_sats{&records};

  // What the search tells of its progress; nothing unless the caller says.
  SearchProgress search_progress;
  // When set, the imperfect and exact searches of a long record run in
  // parts, their records those of the whole search.
  RunParts run_parts;
  // What the pieces below read of the search.
  RecordSearch record_search() const {
    return {options, workspace, records, sequence_number, sequence, search_progress, run_parts};
  }

  // Searches seq (record number) under options, with the worker's
  // workspace, whose threshold tables it makes cover the unit lengths the
  // record allows, and the worker's record pool.
  CSearchController(const SearchOptions& search_options, SearchWorkspace& worker, Csat_garbagecollector& pool,
                    unsigned number, CSequence_Mol& seq);
  CSearchController(const CSearchController&) = delete;
  CSearchController& operator=(const CSearchController&) = delete;

  Thresholds user_thresholds() const { return workspace.thresholds.user(); }
  Thresholds internal_thresholds() const { return workspace.thresholds.internal(); }

  // Search mode exact, handing the records to sink as they are made, sorted
  // by lessThan_sat.
  void exact_search_2(const Thresholds& thresholds, RecordSink& sink);
  // Search mode extendExact: the repeats handed to result in order, or
  // (without a result) kept in imperfect_sats.
  void search_exact_and_extend_to_imperfect_repeats(RecordSink& result);
  void search_exact_and_extend_to_imperfect_repeats();
  // Search mode imperfect; result in imperfect_sats.
  void complete_imperfect_search();

  // Of two mostly overlapping repeats keeps the higher-scoring one.
  void remove_hidden(CsatContainer& container);

  // The walks that grow the candidates of the imperfect searches.
  ExtensionAlignment extension;
};

#endif
