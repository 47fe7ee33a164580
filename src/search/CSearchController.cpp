#include "search/CSearchController.h"

#include "search/exact/exact_search.h"
#include "search/extend_exact/extend_exact_search.h"
#include "search/hidden_repeat_filter.h"
#include "search/imperfect/imperfect_search.h"

CSearchController::CSearchController(const SearchOptions& search_options, SearchWorkspace& worker,
                                     Csat_garbagecollector& pool, unsigned number, CSequence_Mol& seq)
    : options(search_options),
      workspace(worker),
      records(pool),
      sequence_number(number),
      sequence(seq),
      extension(search_options, worker, seq) {
  record_search().cover_unit_lengths();
}

void CSearchController::exact_search_2(const Thresholds& thresholds, RecordSink& sink) {
  ExactSearch(record_search()).search(thresholds, sink);
}

void CSearchController::complete_imperfect_search() {
  ImperfectSearch(record_search(), extension, imperfect_sats).search();
}

void CSearchController::remove_hidden(CsatContainer& container) {
  remove_mostly_hidden(container, options.remove_mostly_hidden);
}

void CSearchController::search_exact_and_extend_to_imperfect_repeats(RecordSink& result) {
  ExtendExactSearch(record_search(), extension).search(result);
}

void CSearchController::search_exact_and_extend_to_imperfect_repeats() {
  AppendRecords into_result(imperfect_sats.sats);
  search_exact_and_extend_to_imperfect_repeats(into_result);
}
