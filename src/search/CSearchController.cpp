#include "search/CSearchController.h"

#include <algorithm>

CSearchController::CSearchController(const SearchOptions& search_options, SearchWorkspace& worker, unsigned number,
                                     CSequence_Mol& seq)
    : options(search_options),
      workspace(worker),
      sequence_number(number),
      sequence(seq),
      walk_rules(search_options, worker.completed_nodes, worker.counts),
      walk_alignment(seq.residues, seq.residues + seq.length, search_options.mismatch_score,
                     search_options.indel_score) {
  workspace.thresholds.cover(options, std::min(options.max_unit_length, seq.length));
}
