#ifndef VELKOR_SEARCH_ARRAYS_ARRAYS_OPTIONS_H
#define VELKOR_SEARCH_ARRAYS_ARRAYS_OPTIONS_H

#include <algorithm>

#include "config/unit_length_floor.h"

// The settings of the search for tandem arrays, made once from the command
// line and handed to every search; nothing in the search reads them from
// anywhere else.
struct ArraysOptions {
  unsigned min_period = 2;
  unsigned max_period = 2000;
  // A match scores +1. Penalties stay above most_penalty, so that no sum
  // of a few of them overflows.
  static constexpr int most_penalty = -(1 << 20);
  int mismatch = -3;
  int indel = -3;
  // Minimum score and normalised length of a period-d array:
  // max(floor, ceil(a + b * d)), as in the other modes.
  int min_score = 25;
  int min_score_a = 0;
  float min_score_b = 0.0f;
  int min_length = 1;
  int min_length_a = 0;
  float min_length_b = 0.0f;
  // N's score 0 when tolerated, at most this many in a row; otherwise they
  // are mismatches.
  bool Ns_tolerated = true;
  unsigned Ns_in_a_row = 4;

  // How thorough the alignment is: the cells per row of its band (16, 24
  // or 32), and how many of the larger penalty below its best it ends. For
  // the run's scores, enough that it agrees with a full alignment.
  int band_cells = 24;
  int x_drop_per_penalty = 12;

  int min_score_for(unsigned d) const { return unit_length_floor(min_score, min_score_a, min_score_b, d); }
  int min_length_for(unsigned d) const { return unit_length_floor(min_length, min_length_a, min_length_b, d); }
  // An alignment that has fallen this far below its best ends.
  int x_drop() const { return x_drop_per_penalty * std::max(-mismatch, -indel); }
};

#endif
