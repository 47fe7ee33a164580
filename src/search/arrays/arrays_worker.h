#ifndef VELKOR_SEARCH_ARRAYS_ARRAYS_WORKER_H
#define VELKOR_SEARCH_ARRAYS_ARRAYS_WORKER_H

#include "search/arrays/arrays_options.h"
#include "search/arrays/arrays_workspace.h"

// What a thread brings to each search for tandem arrays: the run's settings
// and its own scratch space.
struct ArraysWorker {
  const ArraysOptions& options;
  ArraysWorkspace workspace;
};

#endif
