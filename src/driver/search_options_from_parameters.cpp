#include "driver/search_options_from_parameters.h"

#include "config/parameters.h"

SearchOptions search_options_from_parameters() {
  SearchOptions options;
  options.mismatch_score = global_mismatch_score;
  options.indel_score = global_indel_score;
  options.min_score = global_min_score;
  options.min_score_a = global_min_score_a;
  options.min_score_bx = global_min_score_bx;
  options.min_length = global_min_length;
  options.min_length_a = global_min_length_a;
  options.min_length_bx = global_min_length_bx;
  options.min_unit_length = global_min_unit_length;
  options.max_unit_length = global_max_unit_length;
  options.Ns_allowed_in_a_row = global_Ns_allowed_in_a_row;
  options.treat_Ns_as_missense = global_treat_Ns_as_missense;
  options.maximum_recursion_depth = global_maximum_recursion_depth;
  options.maximum_scorereduction = global_maximum_scorereduction;
  options.remove_mostly_hidden = global_remove_mostly_hidden;
  return options;
}
