#ifndef VELKOR_SEARCH_RECORD_SEARCH_H
#define VELKOR_SEARCH_RECORD_SEARCH_H

#include <cstddef>
#include <functional>
#include <vector>

#include "repeats/CSequence_Mol.h"
#include "repeats/Csat.h"
#include "search/record_parts.h"
#include "search/search_options.h"
#include "search/search_progress.h"
#include "search/search_workspace.h"

// What every mode's search of one record reads: the run's options, the
// worker's scratch space and record pool, the record, and what the caller
// asked for.
struct RecordSearch {
  const SearchOptions& options;
  SearchWorkspace& workspace;
  Csat_garbagecollector& records;
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
