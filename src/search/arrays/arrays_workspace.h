#ifndef VELKOR_SEARCH_ARRAYS_ARRAYS_WORKSPACE_H
#define VELKOR_SEARCH_ARRAYS_ARRAYS_WORKSPACE_H

#include <cstddef>
#include <string>
#include <vector>

#include "search/arrays/period_evidence.h"
#include "search/arrays/wraparound_extension.h"

// One array as aligned around its anchor: the residues [begin, end) against
// `unit` repeated endlessly, column 0 facing the anchor.
struct AlignedArray {
  std::size_t anchor = 0, begin = 0, end = 0;
  long long score = 0;
  std::string unit;
  Extension forward, backward;
  std::vector<unsigned char> forward_path, backward_path;
  unsigned period() const { return static_cast<unsigned>(unit.size()); }
  std::size_t unit_characters() const { return forward.unit_characters + backward.unit_characters; }
};

// Scratch space of the search for tandem arrays: one per worker, handed to
// each search it makes, its buffers kept from one record to the next.
struct ArraysWorkspace {
  ExtensionWorkspace extension;
  // The candidate scan: the last start of each word, the start before it of
  // the same word (a ring as long as the longest period), and the evidence
  // gathered for each period.
  std::vector<long long> last_start_of_word;
  std::vector<long long> earlier_start;
  PeriodEvidence evidence;
  // Per unit column, the residues aligned to it (A, C, G, T), the copies
  // lacking it and the residues inserted after it.
  struct ColumnVotes {
    unsigned residues[4] = {0, 0, 0, 0};
    unsigned deletions = 0;
    unsigned inserted[4] = {0, 0, 0, 0};
    // What the consensus makes of the column: kept or left out, and the
    // letter put in after it (-1: none).
    bool kept = true;
    int added = -1;
  };
  std::vector<ColumnVotes> votes;
  std::string refined_unit;
  // The array being built, the best one so far among its periods, and the
  // best among the multiples of that period.
  AlignedArray trial, best, multiple;
  // An array as it was before its consensus was refined.
  AlignedArray before_refining;
};

#endif
