#include "driver/arrays_parameters.h"

#include <algorithm>

ArraysOptions arrays_options_of(const RunOptions& run) {
  ArraysOptions options;
  options.min_period = run.min_unit_length;
  options.max_period = run.max_unit_length;
  // Any larger penalty ends an alignment as surely.
  options.mismatch = std::max(run.mismatch_score, ArraysOptions::most_penalty);
  options.indel = std::max(run.indel_score, ArraysOptions::most_penalty);
  options.min_score = run.min_score;
  options.min_score_a = run.min_score_a;
  options.min_score_b = run.min_score_bx;
  options.min_length = run.min_length;
  options.min_length_a = run.min_length_a;
  options.min_length_b = run.min_length_bx;
  options.Ns_tolerated = !run.treat_Ns_as_missense && run.Ns_allowed_in_a_row > 0;
  options.Ns_in_a_row = run.Ns_allowed_in_a_row > 0 ? static_cast<unsigned>(run.Ns_allowed_in_a_row) : 0;
  return options;
}
