#ifndef VELKOR_SEARCH_ARRAYS_FIND_ARRAYS_H
#define VELKOR_SEARCH_ARRAYS_FIND_ARRAYS_H

#include <cstddef>

#include "repeats/Csat.h"
#include "search/arrays/arrays_options.h"
#include "search/arrays/arrays_workspace.h"
#include "search/arrays/consensus_units.h"

// What one search did, for tests and benchmarks.
struct ArraysSearchCounts {
  long long candidates = 0;         // periods whose evidence called for an alignment
  long long rejected_early = 0;     // of those, given up after the first alignment
  long long shorter_periods = 0;    // arrays reported at a divisor of their candidate's period
  long long longer_periods = 0;     // arrays reported at a multiple of it, as higher-order repeats
  long long calls_replaced = 0;     // earlier calls mostly hidden by a later, better one
};

// Searches residues[0, length) for tandem arrays of every period from
// options.min_period to options.max_period and hands one record per array
// to sink, in the order of lessThan_sat. Records come from pool; their units
// are consensus units kept in units, which must outlive the records.
ArraysSearchCounts find_arrays(const char* residues, std::size_t length, const ArraysOptions& options,
                               ArraysWorkspace& workspace, ConsensusUnits& units, Csat_garbagecollector& pool,
                               RecordSink& sink);

#endif
