#ifndef VELKOR_SEARCH_SEARCH_WORKER_H
#define VELKOR_SEARCH_SEARCH_WORKER_H

#include "search/search_options.h"
#include "search/search_workspace.h"

// What a thread brings to each search of the three original modes: the
// run's settings and its own scratch space.
struct SearchWorker {
  const SearchOptions& options;
  SearchWorkspace workspace;
};

#endif
