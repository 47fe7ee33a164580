#ifndef VELKOR_SEARCH_RECORD_SEARCH_H
#define VELKOR_SEARCH_RECORD_SEARCH_H

#include <cstddef>
#include <functional>
#include <vector>

#include "repeats/CSequence_Mol.h"
#include "search/search_options.h"
#include "search/search_progress.h"
#include "search/search_workspace.h"

// Runs every task given, perhaps several at once, and returns once all are
// done, rethrowing what one of them threw.
using RunParts = std::function<void(std::vector<std::function<void()>>&)>;

// What every mode's search of one record reads: the run's options, the
// worker's scratch space, the record, and what the caller asked for.
struct RecordSearch {
  const SearchOptions& options;
  SearchWorkspace& workspace;
  unsigned number;
  CSequence_Mol& sequence;
  // What the search tells of its progress; nothing unless the caller says.
  SearchProgress progress;
  // When set, the imperfect and exact searches of a long record run in
  // parts, their records those of the whole search.
  RunParts run_parts;

  // Makes the worker's threshold tables cover every unit length that fits
  // into the record, up to the longest searched.
  void cover_unit_lengths() const;

  // The parts the record is cut into where it is searched in parts.
  std::size_t parts() const;
  bool in_parts() const { return run_parts && parts() > 1; }
};

#endif
