#include "search/CSearchController.h"

#include <algorithm>

CSearchController::CSearchController(const SearchOptions& search_options, SearchWorkspace& worker, unsigned number,
                                     CSequence_Mol& seq)
    : options(search_options),
      workspace(worker),
      sequence_number(number),
      sequence(seq),
      extension(search_options, worker, seq) {
  workspace.thresholds.cover(options, std::min(options.max_unit_length, seq.length));
}
