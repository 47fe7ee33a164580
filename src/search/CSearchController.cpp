#include "search/CSearchController.h"

#include "search/exact/exact_search.h"
#include "search/hidden_repeat_filter.h"
#include "search/imperfect/imperfect_search.h"

CSearchController::CSearchController(const SearchOptions& search_options, SearchWorkspace& worker, unsigned number,
                                     CSequence_Mol& seq)
    : options(search_options),
      workspace(worker),
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
