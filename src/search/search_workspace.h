#ifndef VELKOR_SEARCH_SEARCH_WORKSPACE_H
#define VELKOR_SEARCH_SEARCH_WORKSPACE_H

#include "search/extension/completed_nodes.h"
#include "search/shortcut_counts.h"
#include "search/thresholds.h"

// The scratch space of one worker: made once for each thread that searches
// records, and passed to each search it makes, so that searches running at
// once share nothing. Reused from record to record, it keeps what it grew.
struct SearchWorkspace {
  ThresholdTables thresholds;
  // The look-ahead nodes of the decision under way.
  CompletedNodes completed_nodes;
  // Summed over the searches given this state, the parts of their records
  // (searched by other workers) included.
  ShortcutCounts counts;
};

#endif
