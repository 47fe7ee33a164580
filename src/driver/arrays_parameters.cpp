#include "driver/arrays_parameters.h"

#include <algorithm>

#include "config/parameters.h"

ArraysOptions arrays_options_from_parameters() {
  ArraysOptions options;
  options.min_period = global_min_unit_length;
  options.max_period = global_max_unit_length;
  // Any larger penalty ends an alignment as surely.
  options.mismatch = std::max(global_mismatch_score, ArraysOptions::most_penalty);
  options.indel = std::max(global_indel_score, ArraysOptions::most_penalty);
  options.min_score = global_min_score;
  options.min_score_a = global_min_score_a;
  options.min_score_b = global_min_score_bx;
  options.min_length = global_min_length;
  options.min_length_a = global_min_length_a;
  options.min_length_b = global_min_length_bx;
  options.Ns_tolerated = !global_treat_Ns_as_missense && global_Ns_allowed_in_a_row > 0;
  options.Ns_in_a_row = global_Ns_allowed_in_a_row > 0 ? static_cast<unsigned>(global_Ns_allowed_in_a_row) : 0;
  return options;
}
